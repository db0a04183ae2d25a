#pragma once
// The desktop behind Platform: Qt message boxes, folder dialog and clipboard.

#include "app/Platform.h"

class QtPlatform : public Platform {
public:
    void ShowMessage(QWidget* owner, const std::string& text) override;
    bool AskYesNo(QWidget* owner, const std::string& text, bool defaultNo) override;
    FolderChoice ChooseFolder(QWidget* owner, const std::string& title,
                              const std::string& startDirectory) override;
    std::optional<std::string> ClipboardText() override;
};
