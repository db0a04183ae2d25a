// Makes the pictures of the README: the real window, offscreen, on sample pages served from the
// loopback, each view saved as a PNG in the folder named on the command line.
#include "app/CMainDialog.h"
#include "app/CModernOptionsDialog.h"
#include "app/COptionsDialog.h"
#include "app/ControlIds.h"
#include "app/QtPlatform.h"
#include "settings/SettingsFile.h"
#include "tests/support/LoopbackServer.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

QString outDir;

void Save(QWidget& widget, const char* name) {
    if (!widget.grab().save(outDir + "/" + name))
        std::fprintf(stderr, "screenshots: cannot write %s\n", name);
}

// The desktop without a person at it: no clipboard offer, and a menu is saved instead of shown.
class ShotPlatform : public QtPlatform {
public:
    std::optional<std::string> ClipboardText() override { return std::nullopt; }
    int TrackMenu(QMenu& menu, const QPoint&) override {
        menu.adjustSize();
        Save(menu, menuName);
        return 0;
    }
    const char* menuName = "menu.png";
};

// A JPEG of 640x400 whose colour the address chooses.
std::string Picture(const std::string& path) {
    QImage image(640, 400, QImage::Format_RGB32);
    const uint hash = qHash(QString::fromStdString(path));
    image.fill(QColor::fromHsv(static_cast<int>(hash % 360), 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes.toStdString();
}

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::unique_ptr<CMainDialog> Window(ShotPlatform& platform, const QTemporaryDir& home,
                                    bool modern) {
    Settings s = Settings::Defaults();
    s.saveDirectoryConfirmed = 1;
    s.modernRules = modern ? 1 : 0;
    s.saveDirectory = home.path().toStdString();
    const std::string options = home.filePath("tk.opt").toStdString();
    SettingsFile(options).Save(s);
    auto w = std::make_unique<CMainDialog>(platform, options);
    w->show();
    return w;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshots FOLDER\n");
        return 2;
    }
    outDir = argv[1];
    QDir().mkpath(outDir);
    std::ifstream in(TARVIK_TEST_PAGES "/news-article.html");
    const std::string article(std::istreambuf_iterator<char>(in), {});
    // The article; until the downloads start, its pictures as pictures of their own colour
    // (for the probes and the thumbnails), then every file behind it as 40 KB that come in over
    // two seconds.
    std::atomic<bool> downloading{false};
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        const std::string path = c.Path();
        if (path == "/news/storm.html")
            c.Send(LoopbackServer::Response(article));
        else if (!downloading.load())
            c.Send(
                LoopbackServer::Response(Picture(path), "200 OK", "Content-Type: image/jpeg\r\n"));
        else
            LoopbackServer::Drip("HTTP/1.0 200 OK\r\nContent-Length: 40000\r\n\r\n", 20, 2000,
                                 100)(c);
    });
    QTemporaryDir home;
    ShotPlatform platform;

    auto w = Window(platform, home, false);
    Save(*w, "main-window.png");
    QTimer::singleShot(0, [] {
        QWidget* options = QApplication::activeModalWidget();
        Save(*options, "options-dialog.png");
        static_cast<QDialog*>(options)->reject();
    });
    w->OnCommand(ControlId::Options);
    platform.menuName = "window-menu.png";
    w->ShowWindowMenu(w->mapToGlobal(QPoint(0, 0)));
    w.reset();

    w = Window(platform, home, true);
    static_cast<QLineEdit*>(w->Control(ControlId::UrlBox))
        ->setText(QString::fromStdString(server.Address("/news/storm.html")));
    w->OnCommand(ControlId::GetUrl);
    Save(*w, "modern-file-list.png");
    // The same rows as thumbnails, once the probes and the thumbnails have come in.
    static_cast<QComboBox*>(w->Control(ControlId::ViewSwitch))->setCurrentIndex(1);
    Wait(1500);
    for (int i = 0; i < 3; ++i) // each tick brings in what arrived
        w->MonitorTick(), Wait(300);
    Save(*w, "file-grid.png");
    static_cast<QComboBox*>(w->Control(ControlId::ViewSwitch))->setCurrentIndex(0);
    downloading.store(true);
    // The modern options, opened from the options dialog, with a preset chosen.
    QTimer::singleShot(0, [] {
        QTimer::singleShot(0, [] {
            auto* modern = static_cast<CModernOptionsDialog*>(QApplication::activeModalWidget());
            modern->OnCommand(CModernOptionsDialog::folderPerPageId);
            Save(*modern, "modern-options.png");
            modern->reject();
        });
        auto* options = static_cast<COptionsDialog*>(QApplication::activeModalWidget());
        options->ModernButton()->click();
        options->reject();
    });
    w->OnCommand(ControlId::Options);
    w->OnCommand(ControlId::DownloadAllJpegs);
    Wait(1500);
    Save(*w, "download-list.png");
    w->resize(1600, 1000);
    Save(*w, "maximised-window.png");
    return 0;
}
