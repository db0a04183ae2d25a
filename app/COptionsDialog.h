#pragma once
// The options dialog: edits the save directory, the per-server subdirectory, the thread limit,
// the harvest flags and the modern web rules switch. OK writes them into the owner's Settings;
// Cancel leaves them alone.

#include "app/Platform.h"
#include "harvest/LinkTable.h"
#include "settings/ModernSettings.h"
#include "settings/Settings.h"

#include <QDialog>
#include <array>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;

class COptionsDialog : public QDialog {
    Q_OBJECT
public:
    COptionsDialog(QWidget* owner, Settings& settings, Platform& platform);

    // Loads the controls from the settings and runs the dialog modally.
    int Run();
    // The dialog's commands: 1 OK, 2 Cancel, 3 Browse, 1051 Modern Options.
    void OnCommand(int id);

    void LoadFromSettings();
    void OnBrowse();
    void OnThreadCountKillFocus();
    void ApplyAndClose();

    // Where the "Modern Options..." button (1051, enabled while the modern rules' box is
    // ticked) finds the modern settings and their file, and the page read whose names the
    // mask's example shows; without them the button is hidden.
    void SetModernOptions(ModernSettings* settings, std::string path, const LinkTable* page);
    QPushButton* ModernButton() const { return modernButton; }

    QLineEdit* DirectoryBox() const { return directoryText; }
    QLineEdit* ThreadCountBox() const { return threadCountText; }
    // Check box of control `id` (1007-1012, 1015, 1016, 1030; 1040 the modern rules, 1041 and
    // 1042 their IMAGE and VIDEO categories), or null.
    QCheckBox* CheckBox(int id) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetDirectoryText(const std::string& path);
    // The parsed, clamped thread count; warns when it had to clamp. Nothing when empty.
    std::optional<int> ClampedThreadCount();

    Settings& settings;
    Platform& platform;
    std::array<QCheckBox*, 12> checkBoxes{};
    QPushButton* okButton = nullptr;
    QLineEdit* directoryText = nullptr;
    QLineEdit* threadCountText = nullptr;
    QPushButton* modernButton = nullptr;
    ModernSettings* modern = nullptr;
    std::string modernPath;
    const LinkTable* modernPage = nullptr;
};
