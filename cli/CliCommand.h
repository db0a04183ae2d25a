#pragma once
// tarvik-cli: harvests a page with the program's own core and prints its File List ("links"),
// or downloads what it links to with the program's own download engine ("download").

#include <iosfwd>
#include <string>
#include <vector>

class CliCommand {
public:
    // Runs the command line `args` (without the program name); returns the exit status:
    // 0 done, 1 the page could not be opened (or a download did not complete), 2 wrong
    // arguments, 130 downloads interrupted. A progress line goes to `err` only when
    // `errIsTerminal`.
    static int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::string& settingsPath = "tk.opt", bool errIsTerminal = false);
};
