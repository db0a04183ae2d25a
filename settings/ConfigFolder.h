#pragma once
// Where the settings live when Tarvik is started from the desktop: the user's configuration
// folder ($XDG_CONFIG_HOME/tarvik, else ~/.config/tarvik), made and entered before anything is
// read, so that tk.opt, tk.modern and tk.queue are found there however the program was started.
// On the first such start the home folder's tk.opt and tk.queue move there.

#include <string>

class ConfigFolder {
public:
    // The folder for `home` and `xdgConfigHome` (either may be empty).
    static std::string PathFor(const std::string& home, const std::string& xdgConfigHome);
    // Makes `folder` (mode 0700, with its parents), moves the home folder's settings into it
    // when it holds none yet, and makes it the current directory. False, with the reason, when
    // it cannot.
    static bool Enter(const std::string& folder, const std::string& home, std::string& reason);
};
