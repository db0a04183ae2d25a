#pragma once
// The Download List's records: a fixed table of 1024 entries in the order they were queued, and
// the operations the commands use on them. User-interface thread only.

#include "download/DownloadEntry.h"
#include "harvest/LinkTable.h"

#include <cstdint>
#include <vector>

class DownloadTable {
public:
    static constexpr int32_t capacity = 1024;

    DownloadTable() : downloads(capacity) {}

    // Appends a copy of `link` in state Starting, unless an entry with the same path and name
    // (in any state, whatever its server) is there already or the table is full. Silent.
    void QueueDownload(const LinkEntry& link);
    // Queues, in the link table's order, every link whose category `take` accepts.
    void QueueLinks(const LinkTable& links, bool (*take)(FileCategory));
    // The rows "Download All JPG's" and "Download All Movies" take.
    static bool IsJpeg(FileCategory c) { return c == FileCategory::Jpeg; }
    static bool IsMovie(FileCategory c) {
        return c == FileCategory::Avi || c == FileCategory::Mpeg;
    }
    // True while no entry waits, runs or is paused.
    bool AllFinal() const;
    // Removes every entry marked Excluded, keeping the order of the others.
    void CompactDownloads();
    // An Error or Disk Error entry goes back to Starting with nothing received; others stay.
    void RetryDownload(int32_t index);
    // Marks every entry whose status `remove` accepts, for CompactDownloads.
    template <typename Predicate> void MarkDownloads(Predicate remove) {
        for (int32_t i = 0; i < downloadCount; ++i)
            if (remove(downloads[i].status))
                downloads[i].category = FileCategory::Excluded;
    }

    std::vector<DownloadEntry>
        downloads; // always `capacity` entries; the first downloadCount count
    int32_t downloadCount = 0;
};
