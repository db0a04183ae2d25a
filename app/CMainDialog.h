#pragma once
// The main window: owns every record of a run (settings, page text, link and download tables, the
// download monitor) and routes every command, by its identifier, to the code that handles it.

#include "app/Platform.h"
#include "download/DownloadMonitor.h"
#include "download/DownloadTable.h"
#include "download/DownloadView.h"
#include "harvest/InternetSession.h"
#include "harvest/LinkTable.h"
#include "harvest/PageText.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

#include <QDialog>
#include <memory>
#include <string>

class COptionsDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QSocketNotifier;
class QTimer;
class QTreeWidget;

class CMainDialog : public QDialog, private DownloadView {
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
    const DownloadTable& Downloads() const { return downloadTable; }
    DownloadMonitor& Monitor() { return *monitor; }
    // One run of the progress monitor, as the 250 ms timer makes it.
    void MonitorTick();
    const std::string& Url() const { return url; }
    const std::string& Title() const { return title; }
    uint8_t SortDescending() const { return sortDescending; }
    QTreeWidget* FileList() const { return fileList; }
    QTreeWidget* DownloadList() const { return downloadList; }

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

    void OnDownloadAll(bool (*take)(FileCategory));

    void FillFileList();
    void FillDownloadList();
    void SortFileList(int column, bool forced, bool forcedDescending);
    void SaveSettings();

    void RefreshRow(int32_t row, const DownloadEntry& entry) override;

    Platform& platform;
    SettingsFile settingsFile;
    Settings settings;
    std::unique_ptr<InternetSession> session;
    std::unique_ptr<PageText> pageText;
    std::unique_ptr<PageText> incomingPage; // a fetch lands here and replaces pageText on success
    LinkTable linkTable;
    DownloadTable downloadTable;
    std::unique_ptr<DownloadMonitor> monitor;
    QTimer* monitorTimer = nullptr;
    QSocketNotifier* earlyTick = nullptr;
    bool fetching = false; // the monitor waits while a page is fetched
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
