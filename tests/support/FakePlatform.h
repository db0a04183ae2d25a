#pragma once
// A Platform for window tests: records every message, question, folder request, menu and launch,
// answers from a script, and serves a clipboard text the test sets.

#include "app/Platform.h"

#include <QAction>
#include <QMenu>
#include <QPoint>
#include <deque>
#include <functional>
#include <vector>

// What a fake records, in order: messages, questions, menu items, launched addresses.
using Items = std::vector<std::string>;

class FakePlatform : public Platform {
public:
    // One shown menu: its items as "text|command" ("-" for a separator, "(off)" after a
    // grayed item's text) and where it was shown.
    struct Menu {
        std::vector<std::string> items;
        QPoint at;
    };

    void ShowMessage(QWidget*, const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(QWidget*, const std::string& text, bool defaultNo) override {
        questions.push_back(text);
        questionDefaultsNo.push_back(defaultNo);
        return Next(answers, false);
    }
    FolderChoice ChooseFolder(QWidget*, const std::string& title,
                              const std::string& startDirectory) override {
        folderTitles.push_back(title);
        folderStarts.push_back(startDirectory);
        if (duringChooser)
            duringChooser();
        return folderChoice;
    }
    std::optional<std::string> ChooseFile(QWidget*, const std::string& title,
                                          const std::string&) override {
        fileTitles.push_back(title);
        return fileChoice;
    }
    std::optional<std::string> ClipboardText() override { return clipboard; }
    int TrackMenu(QMenu& menu, const QPoint& at) override {
        Menu shown{{}, at};
        for (const QAction* a : menu.actions())
            shown.items.push_back(a->isSeparator()
                                      ? "-"
                                      : a->text().toStdString() + (a->isEnabled() ? "" : "(off)") +
                                            "|" + std::to_string(a->data().toInt()));
        menus.push_back(shown);
        return Next(menuChoices, 0);
    }
    void OpenPath(const std::string& path, LaunchDone done) override {
        opened.push_back(path);
        const int code = Next(openCodes, 0);
        done(code == 0, code);
    }
    void LaunchAddress(const std::string& address, LaunchDone done) override {
        launched.push_back(address);
        const int code = Next(launchCodes, 42);
        done(code > 32, code);
    }
    void Beep() override { ++beeps; }
    void ShowInFolder(const std::string& path, LaunchDone done) override {
        shownInFolder.push_back(path);
        done(false, 0); // no file manager answers here
    }
    bool Offer(QWidget*, const std::string& text, const std::string& action) override {
        messages.push_back(text + " [" + action + "]");
        return Next(answers, false);
    }
    void Notify(const std::string& summary, const std::string& body) override {
        notices.push_back(summary + ": " + body);
    }

    std::deque<int> openCodes; // what the opener answers in turn; 0 (opened) when none are left
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<bool> questionDefaultsNo;
    std::deque<bool> answers;
    std::optional<std::string> clipboard;
    FolderChoice folderChoice;
    std::optional<std::string> fileChoice;
    std::vector<std::string> fileTitles;
    std::vector<std::string> folderTitles;
    std::vector<std::string> folderStarts;
    std::function<void()> duringChooser;
    std::vector<Menu> menus;
    std::deque<int> menuChoices;
    std::vector<std::string> opened;
    std::vector<std::string> launched;
    std::deque<int> launchCodes;
    int beeps = 0;
    std::vector<std::string> notices;
    std::vector<std::string> shownInFolder;

private:
    template <typename T> static T Next(std::deque<T>& script, T otherwise) {
        if (script.empty())
            return otherwise;
        const T next = script.front();
        script.pop_front();
        return next;
    }
};
