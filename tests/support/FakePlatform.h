#pragma once
// A Platform for window tests: records every message, question and folder request, answers
// from a script, and serves a clipboard text the test sets.

#include "app/Platform.h"

#include <deque>
#include <functional>
#include <vector>

class FakePlatform : public Platform {
public:
    void ShowMessage(QWidget*, const std::string& text) override { messages.push_back(text); }
    bool AskYesNo(QWidget*, const std::string& text, bool defaultNo) override {
        questions.push_back(text);
        questionDefaultsNo.push_back(defaultNo);
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    FolderChoice ChooseFolder(QWidget*, const std::string& title,
                              const std::string& startDirectory) override {
        folderTitles.push_back(title);
        folderStarts.push_back(startDirectory);
        if (duringChooser)
            duringChooser();
        return folderChoice;
    }
    std::optional<std::string> ClipboardText() override { return clipboard; }

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<bool> questionDefaultsNo;
    std::deque<bool> answers;
    std::optional<std::string> clipboard;
    FolderChoice folderChoice;
    std::vector<std::string> folderTitles;
    std::vector<std::string> folderStarts;
    std::function<void()> duringChooser;
};
