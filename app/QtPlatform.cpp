#include "app/QtPlatform.h"

#include "app/BrowserCommand.h"
#include "app/TextBridge.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

void QtPlatform::ShowMessage(QWidget* owner, const std::string& text) {
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(), ToQt(text),
                    QMessageBox::Ok, owner);
    box.exec();
}

bool QtPlatform::AskYesNo(QWidget* owner, const std::string& text, bool defaultNo) {
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), ToQt(text),
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(defaultNo ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool QtPlatform::Offer(QWidget* owner, const std::string& text, const std::string& action) {
    QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(), ToQt(text),
                    QMessageBox::Ok, owner);
    const QPushButton* chosen = box.addButton(ToQt(action), QMessageBox::AcceptRole);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == chosen;
}

Platform::FolderChoice QtPlatform::ChooseFolder(QWidget* owner, const std::string& title,
                                                const std::string& startDirectory) {
    const QString chosen =
        QFileDialog::getExistingDirectory(owner, ToQt(title), ToQt(startDirectory));
    if (chosen.isEmpty())
        return {};
    const QFileInfo info(chosen);
    if (!info.isDir() || !info.isAbsolute())
        return {FolderChoice::Kind::NotLocal, {}};
    return {FolderChoice::Kind::Chosen, FromQt(chosen)};
}

std::optional<std::string> QtPlatform::ChooseFile(QWidget* owner, const std::string& title,
                                                  const std::string& start) {
    const QString chosen = QFileDialog::getOpenFileName(owner, ToQt(title), ToQt(start));
    if (chosen.isEmpty())
        return std::nullopt;
    return FromQt(chosen);
}

std::optional<std::string> QtPlatform::ClipboardText() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return std::nullopt;
    const QString text = clipboard->text();
    if (text.isNull())
        return std::nullopt;
    return FromQt(text);
}

int QtPlatform::TrackMenu(QMenu& menu, const QPoint& at) {
    const QAction* chosen = menu.exec(at);
    return chosen != nullptr ? chosen->data().toInt() : 0;
}

namespace {

// Runs `words` with standard input and error on /dev/null and its output to `output` (or to
// /dev/null), and waits for it. The wait status, or nothing when it could not be started.
std::optional<int> RunAndWait(const std::vector<std::string>& words, std::string* output) {
    int pipeEnds[2] = {-1, -1};
    if (output != nullptr && ::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (output != nullptr)
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output != nullptr) {
        ::close(pipeEnds[1]);
        char buffer[4096];
        for (ssize_t n; spawned == 0 && (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
            output->append(buffer, static_cast<std::size_t>(n));
        ::close(pipeEnds[0]);
    }
    if (spawned != 0)
        return std::nullopt;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// The first line a program prints, or "" when it fails.
std::string FirstLineOf(const std::vector<std::string>& words) {
    std::string output;
    const std::optional<int> status = RunAndWait(words, &output);
    if (!status || !WIFEXITED(*status) || WEXITSTATUS(*status) != 0)
        return {};
    return FromQt(QString::fromUtf8(output.c_str()).section('\n', 0, 0).trimmed());
}

// Starts the default browser from its desktop entry, cut at its placeholder; false when there
// is none or its command line would not fit.
bool StartDefaultBrowser(const std::string& address) {
    std::string entry = FirstLineOf({"xdg-settings", "get", "default-web-browser"});
    if (entry.empty())
        entry = FirstLineOf({"xdg-mime", "query", "default", "x-scheme-handler/http"});
    if (entry.empty() || entry.find('/') != std::string::npos)
        return false;
    const QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, ToQt(entry),
                                                QStandardPaths::LocateFile);
    QFile in(file);
    if (file.isEmpty() || !in.open(QIODevice::ReadOnly))
        return false;
    const auto line =
        BrowserCommand::CommandLine(BrowserCommand::ExecOf(in.readAll().toStdString()), address);
    const std::vector<std::string> words =
        line ? BrowserCommand::Words(*line) : std::vector<std::string>{};
    if (words.empty())
        return false;
    QStringList args;
    for (std::size_t i = 1; i < words.size(); ++i)
        args << ToQt(words[i]);
    return QProcess::startDetached(ToQt(words[0]), args);
}

// The desktop's opener, waited for however long it takes: exit 0 is opened; not found maps to
// 2 (no such program), "no tool to open it with" (3) to 31 (nothing associated), death by a
// signal to 128 + the signal, any other status to itself.
std::pair<bool, int> Open(const std::string& target) {
    const std::optional<int> status = RunAndWait({"xdg-open", target}, nullptr);
    if (status && WIFEXITED(*status))
        return {WEXITSTATUS(*status) == 0,
                WEXITSTATUS(*status) == 3 ? 31 : static_cast<int>(WEXITSTATUS(*status))};
    if (status && WIFSIGNALED(*status))
        return {false, 128 + WTERMSIG(*status)};
    return {false, 2};
}

// The desktop's opener first, then the default browser.
std::pair<bool, int> Launch(const std::string& address) {
    const auto [opened, code] = Open(address);
    if (opened)
        return {true, 0};
    if (StartDefaultBrowser(address))
        return {true, 0};
    return {false, code};
}

} // namespace

void QtPlatform::LaunchAddress(const std::string& address, LaunchDone done) {
    OffThread([address] { return Launch(address); }, std::move(done));
}

void QtPlatform::OpenPath(const std::string& path, LaunchDone done) {
    // An absolute path, so that a name that begins with '-' is never taken for an option.
    const std::string absolute = FromQt(QFileInfo(ToQt(path)).absoluteFilePath());
    OffThread([absolute] { return Open(absolute); }, std::move(done));
}

void QtPlatform::OffThread(std::function<std::pair<bool, int>()> open, LaunchDone done) {
    // The opener may take as long as the program it starts: it is waited for on a thread of
    // its own, and the outcome comes back to this thread as a queued call.
    QObject* receiver = QCoreApplication::instance();
    std::thread([open = std::move(open), done = std::move(done), receiver] {
        const auto [opened, code] = open();
        QMetaObject::invokeMethod(
            receiver, [done, opened, code] { done(opened, code); }, Qt::QueuedConnection);
    }).detach();
}

void QtPlatform::Beep() {
    QApplication::beep();
}

void QtPlatform::ShowInFolder(const std::string& path, LaunchDone done) {
    // The file managers' common interface; it may be missing, or started on demand, so the
    // answer is waited for off the window's thread, 5 s at the most.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return done(false, 0);
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                                       "/org/freedesktop/FileManager1",
                                                       "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{QUrl::fromLocalFile(QString::fromStdString(path)).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [done](QDBusPendingCallWatcher* w) {
                         done(!w->isError(), 0);
                         w->deleteLater();
                     });
}

void QtPlatform::Notify(const std::string& summary, const std::string& body) {
    // The freedesktop notification service; the call is sent and never waited for, and a
    // desktop without the service (or without a session bus) simply shows nothing.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
    call << QString("Tarvik") << 0u << QString("tarvik") << QString::fromStdString(summary)
         << QString::fromStdString(body) << QStringList() << QVariantMap() << -1;
    bus.asyncCall(call);
}
