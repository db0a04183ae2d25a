#pragma once
// The desktop behind Platform: Qt message boxes, folder dialog, clipboard and menus; xdg-open and
// the default browser's desktop entry for opening things, started with no pipe to this program
// and, for the browser, waited for on a thread of its own.

#include "app/Platform.h"

#include <functional>
#include <utility>

class QtPlatform : public Platform {
public:
    void ShowMessage(QWidget* owner, const std::string& text) override;
    bool AskYesNo(QWidget* owner, const std::string& text, bool defaultNo) override;
    std::optional<std::string> ChooseFile(QWidget* owner, const std::string& title,
                                          const std::string& start) override;
    FolderChoice ChooseFolder(QWidget* owner, const std::string& title,
                              const std::string& startDirectory) override;
    std::optional<std::string> ClipboardText() override;
    int TrackMenu(QMenu& menu, const QPoint& at) override;
    void OpenPath(const std::string& path, LaunchDone done) override;
    void LaunchAddress(const std::string& address, LaunchDone done) override;
    void Beep() override;
    void ShowInFolder(const std::string& path, LaunchDone done) override;
    bool Offer(QWidget* owner, const std::string& text, const std::string& action) override;
    void Notify(const std::string& summary, const std::string& body) override;

private:
    // Runs `open` on a thread of its own and tells `done` its outcome on this thread.
    static void OffThread(std::function<std::pair<bool, int>()> open, LaunchDone done);
};
