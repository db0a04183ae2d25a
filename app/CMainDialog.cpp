#include "app/CMainDialog.h"

#include "app/AppIcons.h"
#include "app/CAboutDialog.h"
#include "app/CFileList.h"
#include "app/CListCommands.h"
#include "app/COptionsDialog.h"
#include "app/CRetrievingDialog.h"
#include "app/ControlIds.h"
#include "app/DialogUnits.h"
#include "app/ListView.h"
#include "app/TextBridge.h"
#include "download/NameMask.h"
#include "download/QueueFile.h"
#include "download/TickRequest.h"
#include "harvest/PageAddress.h"
#include "harvest/TextMatch.h"
#include "lists/CellText.h"
#include "lists/FileListSort.h"
#include "lists/ListColumns.h"
#include "lists/ListMenus.h"
#include "lists/PageHarvest.h"
#include "net/HttpStatus.h"
#include "net/SecretServiceKey.h"

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QSocketNotifier>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace {

const char* const controlIdProperty = "controlId";

template <typename W> W* Tagged(W* widget, int id) {
    widget->setProperty(controlIdProperty, id);
    return widget;
}

} // namespace

CMainDialog::CMainDialog(Platform& platform, std::string settingsPath,
                         std::optional<std::string> startAddress)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                           Qt::WindowCloseButtonHint),
      platform(platform), settingsFile(std::move(settingsPath)),
      handedOver(startAddress.has_value()) {
    CreateControls();
    OnInitDialog();
    if (startAddress)
        OpenStartAddress(*startAddress);
}

void CMainDialog::OpenStartAddress(const std::string& address) {
    if (StartsWithNoCase(address, "FILE:")) {
        // Once the window is up: a page is fetched from a web server, never from a file.
        QTimer::singleShot(0, this, [this] {
            platform.ShowMessage(this, "Tarvik fetches web pages (http:// and https:// "
                                       "addresses); it cannot open a file:// address.");
        });
        return;
    }
    url = address;
    ShowMembers();
    QTimer::singleShot(0, this, [this] { OnCommand(ControlId::GetUrl); });
}

CMainDialog::~CMainDialog() {
    // Its answer, if still on its way, is dropped with the window.
    if (cookieReader.joinable())
        cookieReader.join();
    SaveSettings();
}

void CMainDialog::CreateControls() {
    setWindowTitle("Tarvik v" TARVIK_VERSION);
    setWindowIcon(AppIcons::Application());
    const DialogUnits du(font());
    // The layout's size is the smallest, unless it would not fit the screen (a large font on a
    // small screen): then the gaps and the lists give up what is missing. A larger window gives
    // its extra room to the lists.
    classicSize = layoutSize = du.Size(611, 410);
    modernSize = du.Size(611, 420); // the status line below the lists
    FitLayout();

    auto button = [&](int id, const char* caption, int x, int y, int w, int h) {
        auto* b = Tagged(new QPushButton(caption, this), id);
        du.Place(b, x, y, w, h);
        connect(b, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        return b;
    };
    auto group = [&](int id, const char* caption, int x, int y, int w, int h) {
        auto* g = Tagged(new QGroupBox(caption, this), id);
        du.Place(g, x, y, w, h);
        return g;
    };

    // Template order, which is also the tab order.
    getUrlButton = button(ControlId::GetUrl, "Get URL", 551, 7, 55, 15);
    getUrlButton->setDefault(true);
    auto* quit = button(ControlId::Quit, "Quit", 555, 388, 50, 14);
    urlBox = Tagged(new QLineEdit(this), ControlId::UrlBox);
    du.Place(urlBox, 30, 7, 515, 15);
    auto* urlLabel = new QLabel("URL:", this);
    du.PlaceText(urlLabel, 10, 10, 20, 10);
    fileList = Tagged(new QTreeWidget(this), ControlId::FileList);
    du.Place(fileList, 15, 61, 530, 207);
    downloadList = Tagged(new QTreeWidget(this), ControlId::DownloadList);
    du.Place(downloadList, 15, 289, 530, 111);
    // The frames go beneath the lists they surround, so they never take the lists' clicks.
    group(ControlId::FileListGroup, "File List", 11, 51, 539, 222)->lower();
    group(ControlId::DownloadListGroup, "Download List", 11, 279, 539, 126)->lower();
    titleLabel = Tagged(new QLabel("Website Title", this), ControlId::TitleLabel);
    titleLabel->setTextFormat(Qt::PlainText); // a page's title is never markup
    du.Place(titleLabel, 31, 24, 425, 8);
    statusLine = Tagged(new QLabel(this), ControlId::StatusLine);
    statusLine->setTextFormat(Qt::PlainText);
    du.Place(statusLine, 11, 408, 429, 10);
    statusLine->hide();
    // The speed of all running downloads together, at the status line's end.
    speedLine = Tagged(new QLabel(this), ControlId::TotalSpeed);
    speedLine->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    du.Place(speedLine, 440, 408, 110, 10);
    speedLine->hide();
    backButton = button(ControlId::Back, "Back", 30, 35, 40, 15);
    forwardButton = button(ControlId::Forward, "Forward", 88, 35, 40, 15);
    backMenuButton = button(ControlId::BackMenu, "", 70, 35, 10, 15);
    backMenuButton->setAccessibleName("Back");
    forwardMenuButton = button(ControlId::ForwardMenu, "", 128, 35, 11, 15);
    forwardMenuButton->setAccessibleName("Forward");
    auto* options = button(ControlId::Options, "Options", 555, 365, 50, 14);
    jpegsButton = button(ControlId::DownloadAllJpegs, "Download All JPG's", 265, 35, 70, 15);
    auto* movies = button(ControlId::DownloadAllMovies, "Download All Movies", 340, 35, 70, 15);
    auto* openDir =
        button(ControlId::OpenDownloadDirectory, "Open Download Directory", 455, 35, 95, 15);

    QWidget* order[] = {
        getUrlButton, quit,          urlBox,         fileList,          downloadList,
        backButton,   forwardButton, backMenuButton, forwardMenuButton, options,
        jpegsButton,  movies,        openDir};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    // The button carries "Download All Pictures" under the modern rules: it is fitted to that.
    jpegsButton->setText("Download All Pictures");
    FitCaptions();
    layoutRects.clear();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        layoutRects.emplace_back(child, child->geometry());

    ListView::Configure(fileList);
    ListView::Configure(downloadList);
    listCommands = std::make_unique<CListCommands>(*this, platform, settings, linkTable,
                                                   downloadTable, monitor, fileList, downloadList);
    connect(fileList->header(), &QHeaderView::sectionClicked, this,
            &CMainDialog::OnFileListHeaderClicked);
    connect(fileList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        OnFileListDoubleClick(fileList->indexOfTopLevelItem(item));
    });
    listCommands->FileView().OnGridDoubleClick([this](int row) { OnFileListDoubleClick(row); });
    connect(downloadList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        listCommands->OnDownloadListDoubleClick(downloadList->indexOfTopLevelItem(item));
    });
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this), &QShortcut::activated, this,
            [this] { ShowWindowMenu(mapToGlobal(QPoint(0, 0))); });

    urlBox->setToolTip(QString("Enter URL Address of web-site - e.g. ") + defaultStartAddress);
    quit->setToolTip("Quit Tarvik");
    fileList->setToolTip("List of Files/Links from current URL");
    getUrlButton->setToolTip("Start Tarviking URL Files/Links");
    downloadList->setToolTip("List of currently downloading Files");
}

void CMainDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceControls();
}

void CMainDialog::PlaceControls() {
    // What the window has beyond the layout's size: the width goes to the URL box, the title
    // and both lists, which the buttons on the right follow; the height is shared by the lists
    // in proportion to their heights, and the buttons at the bottom follow.
    const int dw = width() - layoutSize.width(); // below 0 when the layout did not fit
    const int dh = height() - layoutSize.height();
    const QRect files = LayoutRect(fileList);
    const QRect downloads = LayoutRect(downloadList);
    const int filesShare = dh * files.height() / std::max(1, files.height() + downloads.height());
    for (const auto& [widget, rect] : layoutRects) {
        QRect r = rect;
        const int id = widget->property(controlIdProperty).toInt();
        if (widget == urlBox || widget == titleLabel)
            r.setWidth(r.width() + dw);
        else if (widget == statusLine)
            r = QRect(r.x(), r.y() + dh, r.width() + dw, r.height());
        else if (widget == speedLine)
            r.translate(dw, dh);
        else if (id == ControlId::GetUrl)
            r.translate(dw, 0);
        else if (id == ControlId::Options || id == ControlId::Quit)
            r.translate(dw, dh);
        else if (widget == fileList || id == ControlId::FileListGroup)
            r.setSize(r.size() + QSize(dw, filesShare));
        if (widget == fileList && listCommands) {
            listCommands->FileView().Place(r); // the modern bar takes the list's top
            continue;
        } else if (widget == downloadList || id == ControlId::DownloadListGroup)
            r = QRect(r.x(), r.y() + filesShare, r.width() + dw, r.height() + dh - filesShare);
        widget->setGeometry(r);
    }
    if (listCommands)
        listCommands->FitColumns(dw);
}

void CMainDialog::FitCaptions() {
    // A caption wider than its button widens the button into the free room beside it, left
    // first, never over another control.
    const QList<QPushButton*> buttons = findChildren<QPushButton*>(Qt::FindDirectChildrenOnly);
    const QList<QWidget*> controls = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QPushButton* b : buttons) {
        const int needed = b->fontMetrics().horizontalAdvance(b->text()) + captionPadding;
        QRect r = b->geometry();
        if (b->text().isEmpty() || needed <= r.width())
            continue;
        int left = 0, right = width();
        for (QWidget* other : controls) {
            const QRect o = other->geometry();
            if (other == b || qobject_cast<QGroupBox*>(other) != nullptr || o.bottom() < r.top() ||
                o.top() > r.bottom())
                continue;
            if (o.right() < r.left())
                left = std::max(left, o.right() + 2);
            else if (o.left() > r.right())
                right = std::min(right, o.left() - 2);
        }
        const int grow = needed - r.width();
        const int toLeft = std::min(grow, std::max(0, r.left() - left));
        r.setLeft(r.left() - toLeft);
        r.setRight(std::min(right, r.right() + grow - toLeft));
        b->setGeometry(r);
    }
}

QRect CMainDialog::LayoutRect(const QWidget* widget) const {
    for (const auto& [w, rect] : layoutRects)
        if (w == widget)
            return rect;
    return widget->geometry();
}

void CMainDialog::OnInitDialog() {
    ShowMembers();
    url = defaultStartAddress;
    linkTable.linkCount = 0;
    const double scale = DialogUnits(font()).PixelScale();
    ListView::SetUpColumns(fileList, ListColumns::fileList, scale);
    ListView::SetUpColumns(downloadList, ListColumns::downloadList, scale);
    session = std::make_unique<InternetSession>("Tarvik");
    settings = settingsFile.Load();
    modernSettings = ModernSettings::Load(ModernSettings::BesideSettings(settingsFile.Path()));
    downloadTable.downloadCount = 0;
    monitor = std::make_unique<DownloadMonitor>(downloadTable, *session);
    ShowRules();
    monitorTimer = new QTimer(this);
    connect(monitorTimer, &QTimer::timeout, this, &CMainDialog::MonitorTick);
    monitorTimer->start(250);
    // A worker that has ended, or a tick that freed a slot, asks for a tick at once.
    earlyTick = new QSocketNotifier(monitor->Waker()->Fd(), QSocketNotifier::Read, this);
    connect(earlyTick, &QSocketNotifier::activated, this, [this] {
        monitor->Waker()->Take();
        MonitorTick();
    });
    queueFile = std::make_unique<QueueFile>(QueueFile::BesideSettings(settingsFile.Path()));
    if (settings.modernRules)
        LoadQueue();
    pageText = std::make_unique<PageText>();
    incomingPage = std::make_unique<PageText>();
    if (!handedOver)
        OfferClipboardAddress();
    title.clear();
    backMenuButton->setIcon(AppIcons::DownArrow());
    forwardMenuButton->setIcon(AppIcons::DownArrow());
    for (QPushButton* b : {backButton, backMenuButton, forwardButton, forwardMenuButton})
        b->setEnabled(false);
    sortDescending = 1;
    ShowMembers();
    getUrlButton->setFocus();
}

void CMainDialog::OfferClipboardAddress() {
    const std::optional<std::string> text = platform.ClipboardText();
    if (!text)
        return;
    const bool isAddress = StartsWithNoCase(*text, "HTTP") || StartsWithNoCase(*text, "FTP") ||
                           StartsWithNoCase(*text, "WWW");
    if (isAddress && platform.AskYesNo(this, "Use the URL on the clipboard?", false))
        url = *text;
}

void CMainDialog::ShowMembers() {
    urlBox->setText(ToQt(url));
    titleLabel->setText(ToQt(title));
}

void CMainDialog::ReadMembers() {
    url = FromQt(urlBox->text());
}

CFileList& CMainDialog::FileView() {
    return listCommands->FileView();
}

QWidget* CMainDialog::Control(int id) const {
    for (QWidget* w : findChildren<QWidget*>())
        if (w->property(controlIdProperty).toInt() == id)
            return w;
    return nullptr;
}

void CMainDialog::OnCommand(int id) {
    switch (id) {
    case ControlId::GetUrl:
        OnGetUrl();
        break;
    case ControlId::Options:
        OnOptions();
        break;
    case ControlId::Quit:
        OnQuit();
        break;
    case ControlId::Cancel:
        reject();
        break;
    case ControlId::Back:
        OnHistoryMove(history.Back({title, url}));
        break;
    case ControlId::Forward:
        OnHistoryMove(history.Forward({title, url}));
        break;
    case ControlId::BackMenu:
    case ControlId::ForwardMenu:
        OnHistoryDropDown(id == ControlId::BackMenu);
        break;
    default:
        if (listCommands->OnCommand(id)) {
            if (const std::optional<std::string> said = listCommands->TakeStatus())
                statusLine->setText(ToQt(*said));
            break;
        }
        if (history.BackIndexOf(id) >= 0)
            OnHistoryMove(history.JumpBack(history.BackIndexOf(id), {title, url}));
        else if (history.ForwardIndexOf(id) >= 0)
            OnHistoryMove(history.JumpForward(history.ForwardIndexOf(id), {title, url}));
        break;
    }
}

void CMainDialog::OnFileListDoubleClick(int row) {
    const std::optional<std::string> address = listCommands->OnFileListDoubleClick(row);
    if (!address)
        return;
    history.PushBack({title, url});
    UpdateHistoryButtons();
    url = *address;
    ShowMembers();
    OnGetUrl();
}

void CMainDialog::OnHistoryMove(const std::optional<std::string>& address) {
    if (address) {
        url = *address;
        ShowMembers();
        OnGetUrl();
    }
    UpdateHistoryButtons();
}

void CMainDialog::UpdateHistoryButtons() {
    backButton->setEnabled(history.backCount > 0);
    backMenuButton->setEnabled(history.backCount > 0);
    forwardButton->setEnabled(history.forwardCount > 0);
    forwardMenuButton->setEnabled(history.forwardCount > 0);
}

void CMainDialog::OnHistoryDropDown(bool back) {
    const auto items = back ? history.BackMenu() : history.ForwardMenu();
    if (items.empty())
        return;
    // Under the Back (or Forward) button beside the arrow: its left edge lies 40 dialog units
    // to the left of the arrow's.
    QPushButton* arrow = back ? backMenuButton : forwardMenuButton;
    QPushButton* button = back ? backButton : forwardButton;
    const QPoint bottomLeft = arrow->mapToGlobal(QPoint(0, arrow->height()));
    OnCommand(
        listCommands->ShowPopup(ListMenus::HistoryMenu(items),
                                {bottomLeft.x() - (arrow->x() - button->x()), bottomLeft.y()}));
}

void CMainDialog::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() != QContextMenuEvent::Mouse)
        return; // a keyboard request reports no place inside a list
    QWidget* under = childAt(event->pos());
    if (under == nullptr || qobject_cast<QGroupBox*>(under) != nullptr) {
        ShowWindowMenu(event->globalPos());
        return;
    }
    OnContextMenu(event->globalPos());
}

void CMainDialog::OnContextMenu(const QPoint& globalPos) {
    OnCommand(listCommands->ContextMenuCommand(globalPos));
}

void CMainDialog::ShowWindowMenu(const QPoint& globalPos) {
    OnSystemCommand(listCommands->ShowPopup(ListMenus::WindowMenu(), globalPos));
}

void CMainDialog::OnSystemCommand(int id) {
    if (id == ListMenus::minimiseCommand) {
        showMinimized();
    } else if (id == ListMenus::closeCommand) {
        reject();
    } else if ((id & ~0xF) == ListMenus::aboutCommand) {
        CAboutDialog about(this, platform);
        about.exec();
    }
}

void CMainDialog::OnGetUrl() {
    if (settings.saveDirectoryConfirmed == 0) {
        platform.ShowMessage(
            this, "Save directory is not set - set one in the Options screen before continuing.");
        return;
    }
    listCommands->NewPage(); // a new page drops what was found behind the last one
    ReadMembers();
    url = NormaliseAddress(url);
    ShowMembers();

    // The page lands in a buffer of its own, so a fetch that fails half-way leaves the last
    // page, its links and the File List as they were. It is fetched on a thread of its own
    // while the modal box keeps the event loop going; its result is published by the release
    // store of `fetched`.
    PageHarvest harvest(linkTable, sortDescending, settings);
    std::atomic<bool> fetched{false};
    bool opened = false;
    // The cookies are read afresh for each page, so a new login in the browser is seen; a
    // keyring that is slow to answer holds the fetch's thread, never the window's.
    CookieSource::Jar jar;
    const CookieSource source = Cookies();
    std::thread fetch([&, address = url] {
        jar = ReadCookies(source);
        session->SetCookies(jar.cookies);
        opened = harvest.Fetch(*session, address, *incomingPage);
        fetched.store(true, std::memory_order_release);
    });
    CRetrievingDialog retrievingDialog(this);
    retrievingDialog.ShowCentredOverWhile(this,
                                          [&] { return fetched.load(std::memory_order_acquire); });
    fetch.join();
    if (!opened) {
        // The modern rules say why on a second line: "refused", "no such server"...
        const std::string& why = session->LastFailure();
        platform.ShowMessage(this, settings.modernRules && !why.empty()
                                       ? "Unable to open this URL.\n" + why
                                       : std::string("Unable to open this URL."));
        return;
    }
    // The modern rules list an error page's links, and say what the answer was.
    const long status = session->LastStatus();
    std::string said = status >= 200 && status <= 299 ? "" : HttpStatus::Text(status);
    if (const std::string cookies = jar.Summary(url); !cookies.empty())
        said += (said.empty() ? "" : "; ") + cookies;
    statusLine->setText(ToQt(said));
    harvest.ScanFetched(*session, url, *incomingPage, [this](const std::string& t) {
        title = t;
        ShowMembers();
    });
    std::swap(pageText, incomingPage);
    linkTable.cookies = session->Cookies(); // what the page's answers set is the page's too
    title = harvest.Title();                // the label itself changes only when a title is found
    if (linkTable.leftOut > 0)
        statusLine->setText(statusLine->text() + (statusLine->text().isEmpty() ? "" : "; ") +
                            ToQt(std::to_string(linkTable.leftOut) +
                                 " links left out: the File List holds 10,000"));
    if (linkTable.modernRows) {
        // Modern rows are shown in the page's order; a click on Name sorts by name at once.
        FileListSort::SortLinks(linkTable, FileListSort::byNumber, false);
        sortDescending = 1;
    }
    listCommands->FillFileList();
    listCommands->PageListed();
}

void CMainDialog::MonitorTick() {
    if (!monitor)
        return;
    monitor->MonitorTick(settings, *this);
    // The linked pages' progress goes to the status line; the title label keeps the title.
    if (const std::optional<std::string> progress = listCommands->TakeLinkedProgress())
        statusLine->setText(ToQt(*progress));
    listCommands->ApplyProbes();
    if (settings.modernRules)
        speedLine->setText(ToQt(CellText::TotalSpeedText(downloadTable)));
    // The whole list has finished: a window the user is not looking at tells the desktop.
    const bool running = downloadTable.downloadCount > 0 && !downloadTable.AllFinal();
    if (downloadsRunning && !running && settings.modernRules && modernSettings.notify &&
        !isActiveWindow())
        platform.Notify("Downloads finished", CellText::FinishedText(downloadTable));
    downloadsRunning = running;
    if (settings.modernRules && queueHeld)
        queueFile->SaveChanged(downloadTable, QueueFile::Clock::now());
}

void CMainDialog::LoadQueue() {
    // One window of a folder keeps its Download List; another one says so once.
    queueHeld = queueFile->Lock();
    if (!queueHeld) {
        if (!queueLockTold)
            platform.ShowMessage(this, "Another Tarvik keeps the Download List of this folder; "
                                       "this window's list will not be kept.");
        queueLockTold = true;
        return;
    }
    if (queueFile->Load(downloadTable) == QueueFile::LoadResult::Damaged) {
        const std::string aside = queueFile->SetAside();
        platform.ShowMessage(this, "The saved Download List could not be read. It was set "
                                   "aside as " +
                                       aside + ".");
    } else if (queueFile->SetAsideRows() > 0) {
        platform.ShowMessage(this, std::to_string(queueFile->SetAsideRows()) +
                                       " rows of the saved Download List were too long, or past "
                                       "the 1,024 rows it holds, and were set aside in " +
                                       queueFile->SetAsidePath() + ".");
    }
    listCommands->FillDownloadList();
    // The rows brought back carry the cookies as they are now, read off the window's thread (a
    // store or a keyring may be slow): they wait until then.
    const CookieSource source = Cookies();
    if (source.kind == CookieSource::Kind::None)
        return;
    for (int32_t i = 0; i < downloadTable.downloadCount; ++i)
        downloadTable.downloads[i].awaitingCookies = downloadTable.downloads[i].modern;
    const char* home = std::getenv("HOME");
    if (cookieReader.joinable())
        cookieReader.join();
    cookieReader =
        std::thread([this, source, lookup = keyLookup, home = std::string(home ? home : "")] {
            auto jar =
                std::make_shared<CookieSource::Jar>(source.Read(home, std::time(nullptr), lookup));
            // Posted to the window; dropped if the window is gone by then.
            QMetaObject::invokeMethod(
                this,
                [this, jar] {
                    for (int32_t i = 0; i < downloadTable.downloadCount; ++i) {
                        DownloadEntry& e = downloadTable.downloads[i];
                        if (e.awaitingCookies)
                            e.cookies = jar->cookies;
                        e.awaitingCookies = false;
                    }
                },
                Qt::QueuedConnection);
        });
}

CookieSource CMainDialog::Cookies() const {
    CookieSource source;
    if (!settings.modernRules)
        return source; // the classic rules send no cookie
    source.kind = CookieSource::KindOf(modernSettings.cookies).value_or(CookieSource::Kind::None);
    source.profile = modernSettings.cookieProfile;
    source.file = modernSettings.cookieFile;
    return source;
}

CookieSource::Jar CMainDialog::ReadCookies(const CookieSource& source) {
    const char* home = std::getenv("HOME");
    return source.Read(home != nullptr ? home : "", std::time(nullptr), keyLookup);
}

void CMainDialog::RefreshRow(int32_t row, const DownloadEntry& entry) {
    QTreeWidgetItem* item = downloadList->topLevelItem(row);
    if (item == nullptr)
        return;
    item->setText(3, ToQt(CellText::StatusCell(entry, CellText::MonitorStatusWord(entry.status))));
    if (entry.modern)
        item->setText(0, ToQt(entry.name)); // renamed when it could not take its own name
    // A row whose size is unknown keeps its cell, unless it waits or names why it failed.
    const std::string progress = CellText::ProgressCell(entry);
    if (entry.totalBytes != 0 || !progress.empty())
        item->setText(2, ToQt(progress));
    if (downloadList->columnCount() > ListColumns::timeLeftColumn) {
        item->setText(ListColumns::savedAsColumn, ToQt(entry.savedAs));
        item->setToolTip(0, ToQt(entry.savedAs)); // where the file went, from its name too
        item->setToolTip(ListColumns::savedAsColumn, ToQt(entry.savedAs));
        item->setText(ListColumns::speedColumn, ToQt(CellText::SpeedText(entry)));
        item->setText(ListColumns::timeLeftColumn, ToQt(CellText::TimeLeftText(entry)));
    }
}

void CMainDialog::SortFileList(int column, bool forced, bool forcedDescending) {
    if (FileListSort::SortFileList(linkTable, sortDescending, fileList->topLevelItemCount(), column,
                                   forced, forcedDescending))
        listCommands->FillFileList();
}

void CMainDialog::OnFileListHeaderClicked(int column) {
    const bool modern =
        fileList->columnCount() == static_cast<int>(ListColumns::modernFileList.size());
    SortFileList(modern && column >= 0 && column < fileList->columnCount()
                     ? ListColumns::modernSortKeys[static_cast<std::size_t>(column)]
                     : column,
                 false, false);
}

void CMainDialog::OnOptions() {
    if (!optionsDialog) {
        optionsDialog = std::make_unique<COptionsDialog>(this, settings, platform);
        optionsDialog->SetModernOptions(
            &modernSettings, ModernSettings::BesideSettings(settingsFile.Path()), &linkTable);
    }
    const bool wasModern = settings.modernRules != 0;
    optionsDialog->Run();
    ShowRules();
    // The kept Download List comes back when the modern rules come on; it is written only
    // while they are on.
    if (!wasModern && settings.modernRules != 0)
        LoadQueue();
}

void CMainDialog::ShowRules() {
    jpegsButton->setText(settings.modernRules ? "Download All Pictures" : "Download All JPG's");
    // Modern rows are named by the mask, when one is set and sound, under the save directory.
    const std::string& mask = modernSettings.nameMask;
    downloadTable.nameMask = mask.empty() || NameMask::Check(mask) ? std::string() : mask;
    downloadTable.saveDirectory = settings.saveDirectory;
    downloadTable.minWidth = modernSettings.minWidth;
    // Some sites bind their cookies to the browser's User-Agent.
    session->SetUserAgent(settings.modernRules && !modernSettings.userAgent.empty()
                              ? modernSettings.userAgent
                              : "Tarvik");
    downloadTable.minHeight = modernSettings.minHeight;
    downloadTable.limit =
        settings.modernRules ? DownloadTable::modernCapacity : DownloadTable::capacity;
    listCommands->SetNextPagesLimit(modernSettings.nextPages);
    monitor->SetPerServer(modernSettings.perServer); // modern rows only
    monitor->SetRateLimit(int64_t{modernSettings.limitRate} * 1024);
    monitor->SetKeepIdentical(modernSettings.keepIdentical);
    // The modern rules' status line takes a line below the lists; the classic window has none.
    statusLine->setVisible(settings.modernRules != 0);
    statusLine->clear();
    speedLine->setVisible(settings.modernRules != 0);
    speedLine->clear();
    listCommands->FileView().SetModern(settings.modernRules != 0);
    listCommands->FillDownloadList(); // the modern list has a speed and a time left
    const QSize wanted = settings.modernRules ? modernSize : classicSize;
    if (wanted != layoutSize) {
        layoutSize = wanted;
        FitLayout();
    }
}

void CMainDialog::FitLayout() {
    // The layout's size is the smallest, unless it would not fit the screen (a large font on a
    // small screen): then the gaps and the lists give up what is missing.
    const QScreen* shownOn = screen();
    setMinimumSize(shownOn != nullptr ? layoutSize.boundedTo(shownOn->availableGeometry().size())
                                      : layoutSize);
    resize(size().expandedTo(minimumSize()));
    if (fileList != nullptr) // once the controls are made
        PlaceControls();
}

void CMainDialog::OnQuit() {
    if (platform.AskYesNo(this, "Are you sure you want to quit?", true))
        accept();
}

void CMainDialog::SaveSettings() {
    // Every running download is cancelled and waited for (about 2 s at most) before the session
    // and the tables go.
    delete earlyTick;
    earlyTick = nullptr;
    // The queue is kept as it stands, before the running downloads are cancelled: they come
    // back at the next start and resume.
    if (settings.modernRules && queueFile && queueHeld)
        queueFile->Save(downloadTable);
    monitor.reset();
    session.reset();
    settingsFile.Save(settings);
    pageText.reset();
    incomingPage.reset();
}
