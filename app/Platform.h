#pragma once
// What the window asks of the desktop and cannot be clicked by a test: message boxes, the folder
// chooser, the clipboard, pop-up menus and launching other programs. The program uses QtPlatform;
// tests hand in a recording fake.

#include <functional>
#include <optional>
#include <string>

class QMenu;
class QPoint;
class QWidget;

class Platform {
public:
    // Outcome of the folder chooser.
    struct FolderChoice {
        enum class Kind { Cancelled, Chosen, NotLocal } kind = Kind::Cancelled;
        std::string path;
    };

    virtual ~Platform() = default;

    // A modal box with an OK button and the warning icon.
    virtual void ShowMessage(QWidget* owner, const std::string& text) = 0;
    // A modal Yes/No question; `defaultNo` makes No the default button. True on Yes.
    virtual bool AskYesNo(QWidget* owner, const std::string& text, bool defaultNo) = 0;
    // A message with OK and a button `action`; true when `action` was chosen.
    virtual bool Offer(QWidget* owner, const std::string& text, const std::string& action) = 0;
    virtual FolderChoice ChooseFolder(QWidget* owner, const std::string& title,
                                      const std::string& startDirectory) = 0;
    // A file chosen to open (a cookies.txt), or nothing when the user cancels.
    virtual std::optional<std::string> ChooseFile(QWidget* owner, const std::string& title,
                                                  const std::string& start) = 0;
    // The clipboard's text, or nothing when it holds none.
    virtual std::optional<std::string> ClipboardText() = 0;
    // Shows `menu` at `at` (screen pixels) until the user chooses or dismisses it; returns the
    // command id (the chosen action's data), or 0.
    virtual int TrackMenu(QMenu& menu, const QPoint& at) = 0;
    // Opens a web address in the browser without waiting for it; `done` is called later on the
    // user-interface thread with whether it opened and, when not, a failure code (2 no program
    // to open it with, 31 nothing registered for it, others as they come).
    using LaunchDone = std::function<void(bool opened, int code)>;
    // Hands a file or a directory to the desktop's opener without waiting for it; `done` is told
    // the outcome as LaunchAddress tells it.
    virtual void OpenPath(const std::string& path, LaunchDone done) = 0;
    virtual void LaunchAddress(const std::string& address, LaunchDone done) = 0;
    // Asks the desktop's file manager to show the file `path` selected in its folder, without
    // waiting for it; `done` is told whether a file manager answered (within 5 s).
    virtual void ShowInFolder(const std::string& path, LaunchDone done) = 0;
    virtual void Beep() = 0;
    // Tells the desktop, in a notification, without waiting for it; nothing when no
    // notification service answers.
    virtual void Notify(const std::string& summary, const std::string& body) = 0;
};
