#include "app/QtPlatform.h"

#include "app/TextBridge.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

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
