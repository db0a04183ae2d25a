#include "cli/CliCommand.h"

#include <iostream>

int main(int argc, char** argv) {
    return CliCommand::Run(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
