#pragma once
// Finds out, before any download, what each picture row of a modern page really is: a ranged
// request for its first 64 KiB, run as a look-up of the download monitor, tells its size in
// pixels, the whole file's bytes and its type by its bytes. Each address is asked once per page;
// a row answered with a web page becomes an HTML link, which no Download All command takes; a
// probe that fails leaves its row as it was. The window and tarvik-cli run it alike.
// User-interface thread only.

#include "download/DownloadMonitor.h"
#include "harvest/ImageHeader.h"
#include "harvest/LinkTable.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class PictureProbes : private LookUpSink {
public:
    explicit PictureProbes(LinkTable& table) : table(table) {}
    ~PictureProbes() override = default;
    PictureProbes(const PictureProbes&) = delete;
    PictureProbes& operator=(const PictureProbes&) = delete;

    // Probes the picture rows (trackers left out) whose addresses were not asked for yet, the
    // page as their Referer; returns how many it queued.
    int32_t Start(DownloadMonitor& monitor);
    // Drops what is queued or running, and what was found: a new page starts afresh.
    void Stop(DownloadMonitor& monitor);
    // Probes queued or running.
    int32_t Left() const { return left; }
    // Writes what came back into the rows of its addresses that show none yet, when anything
    // came since the last call; true when any row changed.
    bool Apply();

    struct Found {
        int32_t width = 0;
        int32_t height = 0;
        int64_t bytes = -1;
        std::string mediaType;
    };
    // A camera's photo whose EXIF and ICC segments run past the first bytes is read on from
    // its next segment, up to this much in all.
    static constexpr int64_t maxBytesRead = 1 << 20;

private:
    void OnLookUp(int64_t ticket, JobState state, DownloadJob& job) override;

    // One look-up asked for: of an address from its first bytes, or from where an earlier one
    // ran out (`before`).
    struct Asked {
        std::string address;
        std::string referer;
        ImageHeader::Info before;
        int64_t bytes = -1; // what the first answer said of the whole file
    };

    LinkTable& table;
    DownloadMonitor* monitor = nullptr;
    std::vector<Asked> asked; // by ticket
    std::unordered_map<std::string, Found> found;
    bool arriving = false; // answers came since the last Apply
    int32_t left = 0;
};
