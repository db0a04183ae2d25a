#pragma once
// tarvik-cli: harvests a page with the program's own core and prints its File List, for scripts
// and for checking a page without the window.

#include <iosfwd>
#include <string>
#include <vector>

class CliCommand {
public:
    // Runs the command line `args` (without the program name); returns the exit status:
    // 0 done, 1 the page could not be opened, 2 wrong arguments.
    static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::string& settingsPath = "tk.opt");
};
