#include "app/QtPlatform.h"

#include "app/BrowserCommand.h"
#include "app/TextBridge.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

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

void QtPlatform::OpenPath(const std::string& path) {
    // An argument list, never a shell; not waited for.
    QProcess::startDetached("xdg-open", {ToQt(path)});
}

namespace {

constexpr int launched = 42; // any code above 32 means success

// The first line `program args` prints, or "" when it cannot be run.
QString FirstLineOf(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(5000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).section('\n', 0, 0).trimmed();
}

// Starts the default browser from its desktop entry, cut at its placeholder; false when there
// is none or its command line would not fit.
bool StartDefaultBrowser(const std::string& address) {
    QString entry = FirstLineOf("xdg-settings", {"get", "default-web-browser"});
    if (entry.isEmpty())
        entry = FirstLineOf("xdg-mime", {"query", "default", "x-scheme-handler/http"});
    if (entry.isEmpty() || entry.contains('/'))
        return false;
    const QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry,
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

} // namespace

int QtPlatform::LaunchAddress(const std::string& address) {
    // The desktop's opener first: its exit status says what went wrong. Not found maps to 2
    // (no such program), "no tool to open it with" (3) to 31 (nothing associated), any other
    // status to itself. An opener still running after a while is a browser it runs in the
    // foreground: that counts as opened, and the process is left to end by itself.
    auto* opener = new QProcess;
    opener->start("xdg-open", {ToQt(address)});
    int code = 2;
    if (opener->waitForStarted(5000)) {
        if (!opener->waitForFinished(3000)) {
            QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
            return launched;
        }
        if (opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0) {
            delete opener;
            return launched;
        }
        code = opener->exitCode() == 3 ? 31 : opener->exitCode();
    }
    delete opener;
    return StartDefaultBrowser(address) ? launched : code;
}

void QtPlatform::Beep() {
    QApplication::beep();
}
