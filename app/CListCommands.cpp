#include "app/CListCommands.h"

#include "app/BrowserCommand.h"
#include "app/CFileList.h"
#include "app/ControlIds.h"
#include "app/DialogUnits.h"
#include "app/ListView.h"
#include "app/TextBridge.h"
#include "download/LocalFile.h"
#include "lists/CellText.h"
#include "lists/LinkedPictures.h"
#include "lists/ListColumns.h"
#include "lists/ListMenus.h"
#include "lists/NextPages.h"
#include "lists/PictureProbes.h"
#include "lists/PlaceMarks.h"

#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTreeWidget>
#include <algorithm>
#include <utility>

CListCommands::CListCommands(QWidget& owner, Platform& platform, const Settings& settings,
                             LinkTable& linkTable, DownloadTable& downloadTable,
                             std::unique_ptr<DownloadMonitor>& monitor, QTreeWidget* fileList,
                             QTreeWidget* downloadList)
    : owner(owner), platform(platform), settings(settings), linkTable(linkTable),
      downloadTable(downloadTable), monitor(monitor), fileList(fileList),
      downloadList(downloadList), linked(std::make_unique<LinkedPictures>(linkTable)),
      next(std::make_unique<NextPages>(linkTable)), marks(std::make_unique<PlaceMarks>()),
      probes(std::make_unique<PictureProbes>(linkTable)),
      fileView(std::make_unique<CFileList>(owner, fileList, linkTable, monitor)) {}

CListCommands::~CListCommands() = default;

bool CListCommands::OnCommand(int id) {
    switch (id) {
    case ControlId::DownloadAllJpegs:
        OnDownloadAll(DownloadTable::Take::Pictures);
        return true;
    case ControlId::DownloadAllMovies:
        OnDownloadAll(DownloadTable::Take::Movies);
        return true;
    case ControlId::GetPicturesBehindLinks:
        if (linked->Running()) {
            linked->Stop(*monitor);
        } else if (linked->Start(*monitor, SelectedRows(fileList)) == 0) {
            platform.ShowMessage(&owner, "No links to pages of pictures.");
        }
        return true;
    case ControlId::GetNextPages:
        if (next->Running())
            next->Stop(*monitor);
        else if (!next->Start(*monitor, nextPagesLimit))
            platform.ShowMessage(&owner, nextPagesLimit == 0
                                             ? "Following next pages is turned off in the "
                                               "Modern Options."
                                             : "This page names no next page.");
        return true;
    case ControlId::MarkContent:
    case ControlId::MarkNotContent:
        if (const std::vector<int32_t> rows = SelectedRows(fileList);
            ListMenus::MarkPlace(linkTable, rows, id == ControlId::MarkContent)) {
            marks->Remember(linkTable, rows);
            fileView->RowsChanged();
        }
        return true;
    case ControlId::ShowInFolder:
        if (const std::vector<int32_t> rows = SelectedRows(downloadList); rows.size() == 1)
            ShowInFolder(downloadTable.downloads[rows[0]].localPath);
        return true;
    case ControlId::OpenDownloadDirectory:
        OpenWithDesktop(settings.saveDirectory);
        return true;
    case ControlId::DownloadSelected:
    case ControlId::RemoveSelectedLinks:
    case ControlId::CancelSelected:
    case ControlId::PauseSelected:
    case ControlId::RetrySelected:
        OnSelectionCommand(id);
        return true;
    case ControlId::RemoveFinished:
        OnRemoveDownloads(IsFinal);
        return true;
    case ControlId::RemoveFailed:
        OnRemoveDownloads(IsFailed);
        return true;
    case ControlId::RetryAllFailed:
        for (int32_t i = 0; i < downloadTable.downloadCount; ++i)
            downloadTable.RetryDownload(i);
        return true;
    default:
        return false;
    }
}

std::vector<int32_t> CListCommands::SelectedRows(QTreeWidget* list) const {
    if (list == fileList)
        return fileView->SelectedRows();
    std::vector<int32_t> rows;
    for (const QModelIndex& index : list->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CListCommands::OnSelectionCommand(int id) {
    const bool onFiles = id == ControlId::DownloadSelected || id == ControlId::RemoveSelectedLinks;
    const std::vector<int32_t> rows = SelectedRows(onFiles ? fileList : downloadList);
    if (rows.empty()) {
        platform.ShowMessage(&owner, "No items selected.");
        return;
    }
    for (const int32_t row : rows) {
        if (id == ControlId::DownloadSelected && row < linkTable.linkCount)
            downloadTable.QueueDownload(linkTable.links[row], linkTable.modernRows,
                                        linkTable.PageOf(linkTable.links[row]), linkTable.pageTitle,
                                        linkTable.cookies, linkTable.referrerPolicy);
        else if (id == ControlId::RemoveSelectedLinks && row < linkTable.linkCount)
            linkTable.links[row].category = FileCategory::Excluded;
        else if (id == ControlId::CancelSelected)
            monitor->RequestCancel(row);
        else if (id == ControlId::PauseSelected)
            monitor->RequestPause(row);
        else if (id == ControlId::RetrySelected)
            downloadTable.RetryDownload(row);
    }
    if (id == ControlId::DownloadSelected)
        FillDownloadList();
    if (id == ControlId::RemoveSelectedLinks) {
        linkTable.CompactLinks();
        FillFileList();
    }
}

void CListCommands::OnRemoveDownloads(bool (*remove)(DownloadStatus)) {
    downloadTable.MarkDownloads(remove);
    downloadTable.CompactDownloads();
    FillDownloadList();
}

void CListCommands::OnDownloadAll(DownloadTable::Take take) {
    const auto taken = static_cast<int32_t>(downloadTable.Taken(linkTable, take).size());
    const bool none = taken == 0;
    const int32_t before = downloadTable.downloadCount;
    downloadTable.QueueLinks(linkTable, take);
    // Every one is in the list already (finished ones too): said, with the offer to take them
    // anew, rather than nothing happening.
    if (linkTable.modernRows && taken > 0 && downloadTable.downloadCount == before &&
        platform.Offer(
            &owner,
            (taken == 1 ? std::string("The picture of this page's article is")
                        : "The " + std::to_string(taken) + " pictures of this page's article are") +
                " already in the Download List.",
            "Download Again"))
        downloadTable.QueueAgain(linkTable, take);
    FillDownloadList();
    const int32_t small = downloadTable.TooSmallCount(linkTable, take);
    // Some left out, some taken: the status line says how many.
    if (!none && small > 0)
        status = std::to_string(small) +
                 (small == 1 ? " picture smaller than " : " pictures smaller than ") +
                 std::to_string(downloadTable.minWidth) + " x " +
                 std::to_string(downloadTable.minHeight) + " left out";
    if (const int32_t others = DownloadTable::PicturesLeftOut(linkTable, take); others > 0)
        platform.ShowMessage(&owner, "No picture of this page's article was found.\n\n" +
                                         std::to_string(others) +
                                         " other pictures are listed: select them in the File "
                                         "List to download them.");
    else if (none && small > 0) // rather than queueing nothing in silence
        platform.ShowMessage(
            &owner,
            (small == 1 ? std::string("The picture of this page's article is")
                        : "The " + std::to_string(small) + " pictures of this page's article are") +
                " smaller than " + std::to_string(downloadTable.minWidth) + " x " +
                std::to_string(downloadTable.minHeight) +
                " pixels, the smallest the modern options take.");
}

void CListCommands::ShowInFolder(const std::string& path) {
    // The file manager shows the file selected; else its folder is opened; else where it is is
    // said. The answers come later; a window that has gone by then is told nothing.
    QPointer<QWidget> window(&owner);
    Platform* desktop = &platform;
    platform.ShowInFolder(path, [window, desktop, path](bool shown, int) {
        if (shown || !window)
            return;
        desktop->OpenPath(LocalFile::DirectoryOf(path), [window, desktop, path](bool opened, int) {
            if (!opened && window)
                desktop->ShowMessage(window, "No file manager answered; the file is " + path);
        });
    });
}

void CListCommands::OpenWithDesktop(const std::string& path) {
    // The longest path a 1024-byte explorer-style command line would have held; a longer one
    // is not launched.
    if (path.size() > BrowserCommand::pathLimit)
        return;
    // The opener answers later; a window that has gone by then is told nothing.
    QPointer<QWidget> window(&owner);
    Platform* desktop = &platform;
    platform.OpenPath(path, [window, desktop, path](bool opened, int code) {
        if (!opened && window)
            desktop->ShowMessage(window, BrowserCommand::FailureMessage(code, path));
    });
}

std::optional<std::string> CListCommands::OnFileListDoubleClick(int row) {
    if (row < 0 || row >= linkTable.linkCount)
        return std::nullopt;
    const LinkEntry& link = linkTable.links[row];
    if (link.category != FileCategory::HtmlLink) {
        OnSelectionCommand(ControlId::DownloadSelected);
        return std::nullopt;
    }
    return linkTable.FollowAddress(link);
}

void CListCommands::OnDownloadListDoubleClick(int row) {
    if (row >= 0 && row < downloadTable.downloadCount &&
        downloadTable.downloads[row].status == DownloadStatus::Complete)
        OpenWithDesktop(downloadTable.downloads[row].localPath);
}

int CListCommands::ShowPopup(const std::vector<MenuItem>& items, const QPoint& at) {
    popupMenu = std::make_unique<QMenu>(&owner);
    for (const MenuItem& item : items) {
        if (item.separator) {
            popupMenu->addSeparator();
            continue;
        }
        QAction* action = popupMenu->addAction(ToQt(item.text));
        action->setData(item.command);
        action->setEnabled(item.enabled);
    }
    return platform.TrackMenu(*popupMenu, at);
}

int CListCommands::ContextMenuCommand(const QPoint& globalPos) {
    popupMenu.reset();
    // The control's window rectangle, all four edges included.
    auto within = [&](QWidget* w) {
        const QPoint topLeft = w->mapToGlobal(QPoint(0, 0));
        return globalPos.x() >= topLeft.x() && globalPos.x() <= topLeft.x() + w->width() &&
               globalPos.y() >= topLeft.y() && globalPos.y() <= topLeft.y() + w->height();
    };
    const QPoint at(globalPos.x() + 10, globalPos.y());
    if (within(fileView->View()))
        return ShowPopup(ListMenus::FileListMenu(linkTable, SelectedRows(fileList),
                                                 linked->Running(), next->Running()),
                         at);
    if (within(downloadList))
        return ShowPopup(ListMenus::DownloadListMenu(downloadTable, SelectedRows(downloadList),
                                                     settings.modernRules != 0),
                         at);
    return 0;
}

void CListCommands::FillFileList() {
    // Modern rows show where a picture stands and its size in two columns more.
    const bool modern = linkTable.modernRows;
    ShowColumns(fileList, modern ? std::span<const ListColumn>(ListColumns::modernFileList)
                                 : ListColumns::fileList);
    ListView::Fill(fileList,
                   CellText::Rows(linkTable.links, linkTable.linkCount,
                                  modern ? CellText::ModernFileListRow : CellText::FileListRow));
    fileView->Refilled();
}

void CListCommands::ShowColumns(QTreeWidget* list, std::span<const ListColumn> columns) {
    if (list->columnCount() == static_cast<int>(columns.size()))
        return;
    ListView::SetUpColumns(list, columns, DialogUnits(owner.font()).PixelScale());
    FitColumns(extraWidth);
}

void CListCommands::FitColumns(int extra) {
    extraWidth = extra;
    const double scale = DialogUnits(owner.font()).PixelScale();
    if (fileList->columnCount() == static_cast<int>(ListColumns::modernFileList.size()))
        ListView::FitWidths(fileList, ListColumns::modernFileList, scale, extra, {1, 3});
    else
        ListView::FitWidths(fileList, ListColumns::fileList, scale, extra, {0, 2});
    if (downloadList->columnCount() == static_cast<int>(ListColumns::modernDownloadList.size()))
        ListView::FitWidths(downloadList, ListColumns::modernDownloadList, scale, extra, {4});
    else
        ListView::FitWidths(downloadList, ListColumns::downloadList, scale, extra, {4});
}

void CListCommands::StopLinkedPictures() {
    linked->Stop(*monitor);
    next->Stop(*monitor);
    linked->TakeChanged(); // a new page's status stands where the progress stood
    next->TakeChanged();
}

std::optional<std::string> CListCommands::TakeLinkedProgress() {
    const bool nextChanged = next->TakeChanged();
    if (!linked->TakeChanged() && !nextChanged)
        return std::nullopt;
    // The rows grow while the user may be scrolling: the list stays where it was.
    const int scrolled = fileList->verticalScrollBar()->value();
    FillFileList();
    fileList->verticalScrollBar()->setValue(scrolled);
    probes->Start(*monitor); // the pictures found behind the links
    return nextChanged ? next->ProgressText() : linked->ProgressText();
}

std::optional<std::string> CListCommands::TakeStatus() {
    if (status.empty())
        return std::nullopt;
    return std::exchange(status, {});
}

void CListCommands::NewPage() {
    StopLinkedPictures();
    probes->Stop(*monitor);
    fileView->NewPage();
}

void CListCommands::PageListed() {
    if (marks->Apply(linkTable)) // the user's word on a page read before still holds
        fileView->RowsChanged();
    probes->Start(*monitor);
}

void CListCommands::ApplyProbes() {
    if (probes->Apply())
        fileView->RowsChanged();
}

void CListCommands::FillDownloadList() {
    // A modern window shows each row's speed and time left in two columns more.
    const bool modern = settings.modernRules != 0;
    ShowColumns(downloadList, modern ? std::span<const ListColumn>(ListColumns::modernDownloadList)
                                     : ListColumns::downloadList);
    ListView::Fill(
        downloadList,
        CellText::Rows(downloadTable.downloads, downloadTable.downloadCount,
                       modern ? CellText::ModernDownloadListRow : CellText::DownloadListRow));
    downloadList->scrollToBottom(); // the files just queued come into view
}
