#include "cli/CliCommand.h"
#include "net/PrivateCopy.h"

#include <csignal>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    // A peer that closes its socket, or a closed output pipe, must end in an error, not a kill.
    std::signal(SIGPIPE, SIG_IGN);
    // No copy of a cookie store outlives its run, nor one an earlier run left when killed.
    PrivateCopy::CleanUp();
    return CliCommand::Run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                           "tk.opt", ::isatty(STDERR_FILENO) == 1);
}
