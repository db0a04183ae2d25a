#pragma once
// One Download List row: a copy of the File List record it was queued from, and how far its
// download has come.

#include "download/DownloadStatus.h"
#include "download/RecentRate.h"
#include "harvest/FileCategory.h"
#include "net/CookieJar.h"
#include "net/ReferrerPolicy.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct DownloadEntry {
    DownloadStatus status = DownloadStatus::Starting;
    FileCategory category = FileCategory::Excluded; // Excluded marks the entry for removal
    std::string path;                               // requested as it stands
    std::string name;                               // the local file's name
    std::string server;                             // host[:port]; the per-server subdirectory
    int32_t service = 0;                            // 0 HTTP, 1 FTP (fetched by HTTP), 2 HTTPS
    std::string localPath;                          // set when the download starts
    uint64_t totalBytes = 0;                        // 0 while no size is known
    uint64_t receivedBytes = 0;
    int32_t workerSlot = -1; // the slot of its job; kept after the job is gone
    int32_t rateKBps = 0;
    int64_t startTime = 0;    // milliseconds; moved forward by the time spent paused
    int64_t lastTickTime = 0; // milliseconds; when the monitor last looked at it running or paused

    // Queued under the modern rules: it keeps them for its whole life, whatever the switch.
    bool modern = false;
    std::string referer; // the page it was queued from
    // That page's cookies (modern rules), shared read-only by the rows of the page on the
    // window's thread; each job takes a copy of its page's site's. Null: none are sent.
    std::shared_ptr<const CookieJar> cookies;
    // What its requests tell of the page.
    ReferrerPolicy::Kind policy = ReferrerPolicy::Kind::StrictOriginWhenCrossOrigin;
    std::string validator;    // the strong ETag or Last-Modified a resume depends on
    std::string cause;        // why it ended Error or Disk Error: "HTTP 404", "refused"...
    std::string partName;     // the part its download claimed, beside localPath
    bool masked = false;      // named by a name mask: its folders, not the server's name
    std::string folder;       // a name mask's folders under the save directory ("a/b")
    uint64_t resumedFrom = 0; // what the part held when this download began: not in the rate
    int32_t waits = 0;        // how often a server has asked it to wait
    int64_t waitUntil = 0;    // milliseconds; when a Waiting entry may start again
    int32_t waitLeft = 0;     // whole seconds left of the wait, rounded up, as the row shows them
    bool cancelWait = false;  // a cancel asked for while Waiting, carried out at the next tick
    bool keepPart = false;    // that cancel keeps the part for a later run
    bool awaitingCookies = false; // brought back at start: it starts once its cookies are read
    int32_t madeFolders = 0;      // the deepest folders of its path made for it (modern rules)
    RecentRate recent;            // its speed over the last two seconds (modern rules)
    // A finished download whose bytes a kept file has: that file's path under the save folder
    // (it was not kept again). Empty: none.
    std::string sameAs;
    bool again = false;  // queued by Download Again: kept even when a kept file has its bytes
    std::string savedAs; // its file's path under the save folder, once it has started
};
