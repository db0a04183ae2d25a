#include "app/AppIcons.h"
#include "app/CMainApp.h"

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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
    if (!HasDisplay()) {
        std::fprintf(stderr, "tarvik: no display found (DISPLAY and WAYLAND_DISPLAY are unset); "
                             "start it from a desktop session\n");
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tarvik");
    QApplication::setWindowIcon(AppIcons::Application());
    // "tarvik ADDRESS", as a browser's "open link with" or the desktop entry's %u hands one
    // over: the first is fetched at once, any others are left.
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 2; i < args.size(); ++i)
        std::fprintf(stderr, "tarvik: only the first address is fetched; ignoring %s\n",
                     args[i].toLocal8Bit().constData());
    return CMainApp().Run(args.size() > 1 ? std::optional(args[1].toStdString()) : std::nullopt);
}
