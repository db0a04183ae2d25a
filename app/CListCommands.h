#pragma once
// The two lists' commands and pop-up menus: what the File List and the Download List do with
// their selection, their double-clicks and their context menus, and the one pop-up menu that
// every list, history button and the window menu share. The main window owns it and routes the
// lists' command identifiers here.

#include "app/Platform.h"
#include "download/DownloadMonitor.h"
#include "download/DownloadTable.h"
#include "harvest/LinkTable.h"
#include "lists/ListColumns.h"
#include "settings/Settings.h"

#include <QPoint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class CFileList;
class LinkedPictures;
class NextPages;
class PlaceMarks;
class PictureProbes;
class QMenu;
class QTreeWidget;
class QWidget;
struct MenuItem;

class CListCommands {
public:
    CListCommands(QWidget& owner, Platform& platform, const Settings& settings,
                  LinkTable& linkTable, DownloadTable& downloadTable,
                  std::unique_ptr<DownloadMonitor>& monitor, QTreeWidget* fileList,
                  QTreeWidget* downloadList);
    ~CListCommands();

    // Carries out `id` when it is one of the lists' commands; false for any other.
    bool OnCommand(int id);
    // The command chosen from the context menu of the list under `globalPos` (screen pixels),
    // shown at (x + 10, y); 0 when none was chosen or no list is there.
    int ContextMenuCommand(const QPoint& globalPos);
    // Builds the shared pop-up menu and tracks it at `at`; returns the chosen command or 0.
    int ShowPopup(const std::vector<MenuItem>& items, const QPoint& at);

    // A double-click on File List row `row`: a file is queued, and an HTML link gives the
    // address to follow.
    std::optional<std::string> OnFileListDoubleClick(int row);
    // A double-click on a Download List row opens a complete file.
    void OnDownloadListDoubleClick(int row);

    void FillFileList();
    void FillDownloadList();
    // The window is `extra` pixels wider than its layout: the Path columns and the File List's
    // Name column take that room.
    void FitColumns(int extra);

    // The pictures behind a gallery's links and its next pages: stopped by a new page; while
    // they are read, the progress for the status line when it changed (the File List is
    // refilled then).
    void StopLinkedPictures();
    // Get Next Pages reads at most `limit` pages (the modern options').
    void SetNextPagesLimit(int limit) { nextPagesLimit = limit; }
    std::optional<std::string> TakeLinkedProgress();
    // What the last command had to say on the status line, once.
    std::optional<std::string> TakeStatus();
    // A new page is asked for: what was found behind the last one (linked pages, probes,
    // thumbnails) is dropped. Once it is listed, its pictures are probed (modern rules).
    void NewPage();
    void PageListed();
    // What the probes found since the last tick goes into the rows.
    void ApplyProbes();

    CFileList& FileView() { return *fileView; }

private:
    // Sets `list` up with `columns` unless it has them already, fitted to the window's width.
    void ShowColumns(QTreeWidget* list, std::span<const ListColumn> columns);
    void OnSelectionCommand(int id);
    void OnRemoveDownloads(bool (*remove)(DownloadStatus));
    void OnDownloadAll(DownloadTable::Take take);
    void OpenWithDesktop(const std::string& path);
    void ShowInFolder(const std::string& path);
    // The rows shown and selected: in the File List's view in use, or in the Download List.
    std::vector<int32_t> SelectedRows(QTreeWidget* list) const;

    QWidget& owner;
    Platform& platform;
    const Settings& settings;
    LinkTable& linkTable;
    DownloadTable& downloadTable;
    std::unique_ptr<DownloadMonitor>& monitor;
    QTreeWidget* fileList;
    QTreeWidget* downloadList;
    std::unique_ptr<QMenu> popupMenu; // stays built until the next pop-up replaces it
    std::unique_ptr<LinkedPictures> linked;
    std::unique_ptr<NextPages> next;
    std::unique_ptr<PlaceMarks> marks;
    int nextPagesLimit = 20;
    std::string status; // for the status line; empty: nothing
    std::unique_ptr<PictureProbes> probes;
    std::unique_ptr<CFileList> fileView;
    int extraWidth = 0;
};
