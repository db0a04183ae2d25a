#include "settings/ConfigFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string ConfigFolder::PathFor(const std::string& home, const std::string& xdgConfigHome) {
    // A relative XDG_CONFIG_HOME is no base directory, and is passed over.
    const fs::path base = !xdgConfigHome.empty() && xdgConfigHome[0] == '/'
                              ? fs::path(xdgConfigHome)
                              : fs::path(home) / ".config";
    return (base / "tarvik").string();
}

bool ConfigFolder::Enter(const std::string& folder, const std::string& home, std::string& reason) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !fs::is_directory(folder)) {
        reason = error ? error.message() : "a file of that name is in the way";
        return false;
    }
    ::chmod(folder.c_str(), 0700);
    // The first start from the desktop brings what earlier starts kept in the home folder.
    const fs::path from(home), to(folder);
    if (!home.empty() && !fs::exists(to / "tk.opt") && fs::is_regular_file(from / "tk.opt"))
        for (const char* name : {"tk.opt", "tk.queue"})
            if (fs::is_regular_file(from / name) && !fs::exists(to / name))
                fs::rename(from / name, to / name, error); // a failure leaves it where it was
    if (::chdir(folder.c_str()) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}
