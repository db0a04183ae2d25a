#include "app/AppIcons.h"
#include "app/CMainApp.h"
#include "net/PrivateCopy.h"
#include "settings/ConfigFolder.h"

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0')
        return true;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // A peer that closes its socket must end a transfer in an error, not kill the program.
    std::signal(SIGPIPE, SIG_IGN);
    // No copy of a cookie store outlives its run, nor one an earlier run left when killed.
    PrivateCopy::CleanUp();
    if (!HasDisplay()) {
        std::fprintf(stderr, "tarvik: no display found (DISPLAY and WAYLAND_DISPLAY are unset); "
                             "start it from a desktop session\n");
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tarvik");
    QApplication::setWindowIcon(AppIcons::Application());
    // "tarvik ADDRESS", as a browser's "open link with" or the desktop entry's %u hands one
    // over: the first is fetched at once, any others are left. Started from the desktop
    // (--desktop), the settings live in the user's configuration folder.
    QStringList args = QApplication::arguments();
    if (args.size() > 1 && args[1] == "--desktop") {
        args.removeAt(1);
        const char* home = std::getenv("HOME");
        const char* config = std::getenv("XDG_CONFIG_HOME");
        const std::string folder =
            ConfigFolder::PathFor(home != nullptr ? home : "", config != nullptr ? config : "");
        if (std::string why; !ConfigFolder::Enter(folder, home != nullptr ? home : "", why))
            std::fprintf(stderr, "tarvik: cannot use %s (%s); the settings stay in %s\n",
                         folder.c_str(), why.c_str(), std::filesystem::current_path().c_str());
    }
    for (qsizetype i = 2; i < args.size(); ++i)
        std::fprintf(stderr, "tarvik: only the first address is fetched; ignoring %s\n",
                     args[i].toLocal8Bit().constData());
    return CMainApp().Run(args.size() > 1 ? std::optional(args[1].toStdString()) : std::nullopt);
}
