#pragma once
// The main window: owns every record of a run (settings, page text, link and download tables, the
// download monitor) and routes every command, by its identifier, to the code that handles it
// (the lists' commands and pop-up menus to CListCommands).

#include "app/Platform.h"
#include "download/DownloadMonitor.h"
#include "download/DownloadTable.h"
#include "download/DownloadView.h"
#include "harvest/LinkTable.h"
#include "harvest/NavigationHistory.h"
#include "harvest/PageText.h"
#include "net/CookieSource.h"
#include "net/InternetSession.h"
#include "net/SecretServiceKey.h"
#include "settings/ModernSettings.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"

#include <QDialog>
#include <QRect>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class CFileList;
class CListCommands;
class QueueFile;
class COptionsDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSocketNotifier;
class QTimer;
class QTreeWidget;
struct MenuItem;

class CMainDialog : public QDialog, private DownloadView {
    Q_OBJECT
public:
    static constexpr const char* defaultStartAddress = "www.example.org";

    // With a `startAddress` (handed over by a browser or a file manager) the window shows it in
    // the URL box and runs Get URL at once instead of offering the clipboard's address.
    explicit CMainDialog(Platform& platform, std::string settingsPath = "tk.opt",
                         std::optional<std::string> startAddress = std::nullopt);
    ~CMainDialog() override;

    // Every button and menu item ends here.
    void OnCommand(int id);
    // A context-menu request at `globalPos` (screen pixels): the File List's menu inside the
    // File List, the Download List's inside the Download List.
    void OnContextMenu(const QPoint& globalPos);
    // The window menu (Minimise, Close, About) at `globalPos`, as Alt+Space or a right-click on
    // the window's background opens it.
    void ShowWindowMenu(const QPoint& globalPos);
    void OnSystemCommand(int id);

    // The widget that carries control identifier `id`, or null.
    QWidget* Control(int id) const;

    Settings& GetSettings() { return settings; }
    // The keyring a Chromium-family browser's password is read from (tests answer it).
    void SetKeyLookup(ChromiumCookies::KeyLookup lookup) { keyLookup = std::move(lookup); }
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
    const NavigationHistory& History() const { return history; }
    // The File List's views and filter line (modern rules).
    CFileList& FileView();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    // The room a button's caption needs beyond its text.
    static constexpr int captionPadding = 12;
    void FitCaptions();
    // Where the layout put `widget` at the window's smallest size.
    QRect LayoutRect(const QWidget* widget) const;
    void OnInitDialog();
    void OfferClipboardAddress();
    void OpenStartAddress(const std::string& address);
    void ShowMembers();
    void ReadMembers();

    void OnGetUrl();
    void OnOptions();
    void OnQuit();
    // The captions that follow the rules in force: "Download All Pictures" under the modern ones.
    void ShowRules();
    // The smallest size for the layout in force, within the screen.
    void FitLayout();
    // Each control where the window's size puts it.
    void PlaceControls();
    void OnFileListHeaderClicked(int column);

    void OnFileListDoubleClick(int row);

    void OnHistoryMove(const std::optional<std::string>& address);
    void OnHistoryDropDown(bool back);
    void UpdateHistoryButtons();

    void SortFileList(int column, bool forced, bool forcedDescending);
    void SaveSettings();
    // Reads the Download List kept by the modern rules; a damaged file is set aside.
    void LoadQueue();

    void RefreshRow(int32_t row, const DownloadEntry& entry) override;
    // The cookie source of the modern options (none under the classic rules), and one read of
    // it.
    CookieSource Cookies() const;
    CookieSource::Jar ReadCookies(const CookieSource& source);

    Platform& platform;
    SettingsFile settingsFile;
    ModernSettings modernSettings; // tk.modern, beside the options file
    bool handedOver;               // started with an address: no clipboard offer
    Settings settings;
    std::unique_ptr<InternetSession> session;
    std::unique_ptr<PageText> pageText;
    std::unique_ptr<PageText> incomingPage; // a fetch lands here and replaces pageText on success
    LinkTable linkTable;
    DownloadTable downloadTable;
    std::unique_ptr<DownloadMonitor> monitor;
    std::unique_ptr<QueueFile> queueFile;
    bool queueHeld = false;     // this window keeps the folder's Download List
    bool queueLockTold = false; // that another one does has been said
    QTimer* monitorTimer = nullptr;
    QSocketNotifier* earlyTick = nullptr;
    uint8_t sortDescending = 1;
    std::string url;
    std::string title;
    std::unique_ptr<COptionsDialog> optionsDialog;
    NavigationHistory history;
    std::unique_ptr<CListCommands> listCommands;
    ChromiumCookies::KeyLookup keyLookup = SecretServiceKey::Lookup;
    std::thread cookieReader; // the kept rows' cookies, read off the window's thread at start

    QLineEdit* urlBox = nullptr;
    QLabel* titleLabel = nullptr;
    QLabel* statusLine = nullptr;
    QLabel* speedLine = nullptr;
    bool downloadsRunning = false; // at the last tick: a row of the Download List had not ended
    QTreeWidget* fileList = nullptr;
    QTreeWidget* downloadList = nullptr;
    QPushButton* getUrlButton = nullptr;
    QPushButton* backButton = nullptr;
    QPushButton* forwardButton = nullptr;
    QPushButton* backMenuButton = nullptr;
    QPushButton* forwardMenuButton = nullptr;
    QPushButton* jpegsButton = nullptr;
    std::vector<std::pair<QWidget*, QRect>> layoutRects; // every control at the layout's size
    QSize layoutSize;
    QSize classicSize; // the layout without the status line, and with it
    QSize modernSize;
};
