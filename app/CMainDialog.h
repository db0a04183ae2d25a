#pragma once
// The main window: owns every record of a run (settings, page text, link table) and routes every
// command, by its identifier, to the code that handles it.

#include "app/Platform.h"
#include "app/Settings.h"
#include "app/SettingsFile.h"
#include "harvest/InternetSession.h"
#include "harvest/LinkTable.h"
#include "harvest/PageScanner.h"
#include "harvest/PageText.h"

#include <QDialog>
#include <memory>
#include <string>

class COptionsDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class CMainDialog : public QDialog, private ScanListener {
    Q_OBJECT
public:
    static constexpr const char* defaultStartAddress = "www.example.org";

    explicit CMainDialog(Platform& platform, std::string settingsPath = "tk.opt");
    ~CMainDialog() override;

    // Every button and menu item ends here.
    void OnCommand(int id);

    // The widget that carries control identifier `id`, or null.
    QWidget* Control(int id) const;

    Settings& GetSettings() { return settings; }
    InternetSession& Session() { return *session; }
    const LinkTable& Links() const { return linkTable; }
    const std::string& Url() const { return url; }
    const std::string& Title() const { return title; }
    uint8_t SortDescending() const { return sortDescending; }
    QTreeWidget* FileList() const { return fileList; }

private:
    void CreateControls();
    void OnInitDialog();
    void OfferClipboardAddress();
    void ShowMembers();
    void ReadMembers();

    void OnGetUrl();
    void OnOptions();
    void OnQuit();
    void OnFileListHeaderClicked(int column);

    void FillFileList();
    void SortFileList(int column, bool forced, bool forcedDescending);
    void SaveSettings();

    void OnLink(const std::string& value, const std::string& pageAddress,
                int32_t attributeKind) override;
    void OnTitleCleared() override;
    void OnTitle(const std::string& text) override;

    Platform& platform;
    SettingsFile settingsFile;
    Settings settings;
    std::unique_ptr<InternetSession> session;
    std::unique_ptr<PageText> pageText;
    std::unique_ptr<PageText> incomingPage; // a fetch lands here and replaces pageText on success
    LinkTable linkTable;
    uint8_t sortDescending = 1;
    std::string url;
    std::string title;
    std::unique_ptr<COptionsDialog> optionsDialog;

    QLineEdit* urlBox = nullptr;
    QLabel* titleLabel = nullptr;
    QTreeWidget* fileList = nullptr;
    QTreeWidget* downloadList = nullptr;
    QPushButton* getUrlButton = nullptr;
    QPushButton* backButton = nullptr;
    QPushButton* forwardButton = nullptr;
    QPushButton* backMenuButton = nullptr;
    QPushButton* forwardMenuButton = nullptr;
};
