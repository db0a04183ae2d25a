#pragma once
// "Get Pictures Behind Links": a gallery links each thumbnail to a page that shows the picture
// at full size. The pages behind the chosen links (or, with none chosen, behind every thumbnail
// of the page's own content that links to another page of its server) are read one level deep
// as jobs of the download monitor, harvested by the modern rules, and each adds the picture it
// shows to the File List, remembering the page it came from; the thumbnails that led there are
// marked as such. The window and tarvik-cli run it alike. User-interface thread only.

#include "download/DownloadMonitor.h"
#include "harvest/LinkTable.h"

#include <cstdint>
#include <string>
#include <vector>

class LinkedPictures : private LookUpSink {
public:
    static constexpr int32_t maxPages = 2000;

    explicit LinkedPictures(LinkTable& table) : table(table) {}

    // The pages to read for the rows `selected` of the table (HTML links on any server), or
    // with none selected, for the same-server links that wrap a content picture; each once, at
    // most maxPages.
    std::vector<std::string> Targets(const std::vector<int32_t>& selected) const;
    // Starts reading `Targets(selected)` on `monitor`; returns how many pages it reads.
    int32_t Start(DownloadMonitor& monitor, const std::vector<int32_t>& selected);
    // Stops reading; what has not arrived is dropped.
    void Stop(DownloadMonitor& monitor);

    bool Running() const { return running; }
    int32_t Total() const { return static_cast<int32_t>(pages.size()); }
    int32_t Read() const { return read; }
    int32_t Failed() const { return failed; }
    int32_t Overflow() const { return overflow; } // rows the full File List could not take
    // True once after rows were added or marked.
    bool TakeChanged();
    // "Reading linked pages: 12 of 24" while reading; afterwards what it came to.
    std::string ProgressText() const;

private:
    void OnLookUp(int64_t ticket, JobState state, DownloadJob& job) override;
    void OnPageRead(int32_t index, bool ok, const std::string& finalAddress,
                    const LinkTable& behind);

    LinkTable& table;
    std::vector<std::string> pages;
    int32_t read = 0;
    int32_t failed = 0;
    int32_t overflow = 0;
    bool running = false;
    bool changed = false;
};
