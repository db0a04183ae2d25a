#pragma once
// What the window asks of the desktop and cannot be clicked by a test: message boxes, the folder
// chooser and the clipboard. The program uses QtPlatform; tests hand in a recording fake.

#include <optional>
#include <string>

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
    virtual FolderChoice ChooseFolder(QWidget* owner, const std::string& title,
                                      const std::string& startDirectory) = 0;
    // The clipboard's text, or nothing when it holds none.
    virtual std::optional<std::string> ClipboardText() = 0;
};
