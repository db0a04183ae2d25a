#pragma once
// "Get Next Pages": a gallery or a blog goes on over pages. The pages that continue the
// table's page are read one after another as look-up jobs of the download monitor, up to a
// limit, each harvested by the modern rules; each page's rows join the table below the rows
// already there, placed on their own page, numbered on from the rows before it and sent with
// it as their Referer. The window and tarvik-cli run it alike. User-interface thread only.

#include "download/DownloadMonitor.h"
#include "harvest/LinkTable.h"

#include <cstdint>
#include <string>

class NextPages : private LookUpSink {
public:
    static constexpr int32_t defaultLimit = 20;
    static constexpr int32_t maxLimit = 1000;

    explicit NextPages(LinkTable& table) : table(table) {}

    // Starts reading, from the page the last one read names as its next, at most `limit`
    // pages more; false when there is none to read.
    bool Start(DownloadMonitor& monitor, int32_t limit);
    // Stops reading; what has not arrived is dropped.
    void Stop(DownloadMonitor& monitor);

    bool Running() const { return running; }
    int32_t Read() const { return read; }
    int32_t Failed() const { return failed; }
    // True once after rows were added.
    bool TakeChanged();
    // "Reading next pages: 3 of at most 20" while reading; afterwards what it came to.
    std::string ProgressText() const;

private:
    void OnLookUp(int64_t ticket, JobState state, DownloadJob& job) override;
    // Queues `address` unless it is a page read already; false when it is one.
    bool Queue(DownloadMonitor& monitor, const std::string& address, const std::string& referer);
    void Join(const LinkTable& page, const std::string& address);

    LinkTable& table;
    DownloadMonitor* monitor = nullptr;
    std::string reading; // the page asked for now
    int32_t limit = 0;
    int32_t read = 0;
    int32_t failed = 0;
    int32_t overflow = 0;
    bool running = false;
    bool changed = false;
};
