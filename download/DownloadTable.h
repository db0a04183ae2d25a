#pragma once
// The Download List's records: a fixed table of 1024 entries in the order they were queued, and
// the operations the commands use on them. User-interface thread only.

#include "download/DownloadEntry.h"
#include "download/FolderNames.h"
#include "download/NameMask.h"
#include "harvest/LinkTable.h"

#include <chrono>
#include <cstdint>
#include <vector>

class DownloadTable {
public:
    static constexpr int32_t capacity = 1024;        // the classic rules' Download List
    static constexpr int32_t modernCapacity = 10000; // the modern rules' and tk.queue's
    int32_t limit = capacity;                        // the rows it takes now

    DownloadTable() : downloads(capacity) {}

    // Appends a copy of `link` in state Starting, unless the table is full or an entry of the
    // same file is there already, in any state: one with the same path and name (whatever its
    // server), or with `byAddress` one with the same whole address (service, server and path).
    // `referer` is the page it was found on, for the modern rules. Silent.
    // With a name mask set, a modern row's folders and name come from it (`title` standing for
    // the page's title when the row names none), numbered " (2)"... when another row queued or
    // a file of another address has them already.
    void QueueDownload(const LinkEntry& link, bool byAddress = false,
                       const std::string& referer = {}, const std::string& title = {},
                       std::shared_ptr<const CookieJar> cookies = {},
                       ReferrerPolicy::Kind policy = {});
    // Which rows a command takes: every row; the JPEG rows ("Download All JPG's"); the
    // pictures (under the modern rules the content pictures, "Download All Pictures"); every
    // picture; the movies ("Download All Movies", with VIDEO under the modern rules). A tracker
    // is never taken.
    enum class Take { All, Jpegs, Pictures, AllPictures, Movies };
    static bool Takes(Take take, const LinkEntry& row, bool modern);
    // Queues, in the link table's order (with a name mask, the page's own order), every link
    // `take` takes; the rows of the modern rules by their whole address.
    void QueueLinks(const LinkTable& links, Take take);
    // "Download Again": the ended entries of the rows `take` takes go, and the rows are queued
    // anew under the current name mask, never dropped as identical to the files they replace.
    void QueueAgain(const LinkTable& links, Take take);
    // The rows of `links` that `take` takes, in the order QueueLinks queues them; a selection
    // of pictures of a modern page leaves out those TooSmall.
    std::vector<int32_t> Taken(const LinkTable& links, Take take) const;
    // The pictures a selection of content pictures leaves out when it takes none of a modern
    // page's rows (trackers not counted); 0 when it takes any, or for another selection.
    static int32_t PicturesLeftOut(const LinkTable& links, Take take);
    // What the tags of a name mask stand for in `link`, a row of the page titled `title`.
    static NameMask::Values MaskValues(const LinkEntry& link, const std::string& title);
    // True while no entry waits, runs or is paused.
    bool AllFinal() const;
    // Removes every entry marked Excluded, keeping the order of the others; a modern entry's
    // part goes with it.
    void CompactDownloads();
    // An Error or Disk Error entry goes back to Starting with nothing received, or, a modern
    // one, to resume its part, with what it has; others stay.
    void RetryDownload(int32_t index);
    // Marks every entry whose status `remove` accepts, for CompactDownloads.
    template <typename Predicate> void MarkDownloads(Predicate remove) {
        for (int32_t i = 0; i < downloadCount; ++i)
            if (remove(downloads[i].status))
                downloads[i].category = FileCategory::Excluded;
    }

    // The name mask of modern rows (empty: the server-name setting decides), and the save
    // directory whose files its names are checked against.
    std::string nameMask;
    std::string saveDirectory;
    // The smallest picture a selection of modern pictures takes (0: any); a picture is too
    // small when its real size, else its declared one, is narrower or lower. One of neither is
    // never too small.
    int32_t minWidth = 0;
    int32_t minHeight = 0;
    bool TooSmall(const LinkEntry& row) const;
    // The rows `take` would take but for their size.
    int32_t TooSmallCount(const LinkTable& links, Take take) const;

private:
    void Name(DownloadEntry& e, const LinkEntry& link, const std::string& title);
    // The names of the folder a row was named in last: rows queued together into a full
    // folder read it once. They stand for the folder for a second at most; a name taken since
    // is found free again when the file is published, which never replaces a file.
    FolderNames folderNames;
    std::string namesFolder;
    std::chrono::steady_clock::time_point namesRead;

public:
    // At least `capacity` entries (more, up to `limit`); the first downloadCount count.
    std::vector<DownloadEntry> downloads;
    int32_t downloadCount = 0;
};
