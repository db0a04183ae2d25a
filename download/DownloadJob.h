#pragma once
// What the monitor and one worker thread share while a file downloads. The monitor fills the
// plain fields before the thread starts and never changes them; afterwards only the atomics are
// touched. The worker's release store of a final state is its last access to the job; the
// monitor reads the byte counts and frees the job only after an acquire load of that state.

#include "harvest/LinkTable.h"
#include "harvest/PageText.h"
#include "net/Transfer.h"
#include "settings/Settings.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CurlHandles;
class TickRequest;

enum class JobState : int32_t {
    Created = 0,
    Connecting = 1,
    Requesting = 2,
    Receiving = 3,
    Failed = 4,
    FileError = 5,
    Finished = 6,
    Paused = 7,
    Cancelled = 8,
    Waiting = 9, // the server asked to wait (modern rules)
};

inline bool IsFinal(JobState s) {
    return s == JobState::Failed || s == JobState::FileError || s == JobState::Finished ||
           s == JobState::Cancelled || s == JobState::Waiting;
}

struct DownloadJob {
    // Set by the monitor before the worker starts; read-only afterwards.
    std::string objectPath;
    std::string server;
    int32_t service = 0;
    std::string saveDirectory; // opened as it is (it may be a symbolic link)
    std::string subdirectory;  // empty: the file goes straight into the save directory
    std::string fileName;
    std::string localPath; // the three above joined, for display
    std::string userAgent;
    Transfer::Limits limits;
    CurlHandles* handles = nullptr;     // the slot's; the worker's alone until its final store
    std::shared_ptr<TickRequest> waker; // asked for a monitor tick after the final store
    // The modern rules: written to a part of its own, resumed, renamed to fileName (or a free
    // variant).
    bool modern = false;
    std::string referer; // the page it is made from
    ReferrerPolicy::Kind policy = ReferrerPolicy::Kind::StrictOriginWhenCrossOrigin;
    // The job's own copy of its page's site's cookies, loaded into the slot's handles for the
    // hops to that site only (modern rules); without sendCookies the cookie engine stays off.
    CookieLines cookies;
    std::string cookieSite;
    bool sendCookies = false;

    // The request of this job: its Referer's page and policy, and its cookies.
    Transfer::Request Request() const;
    // The server asked to wait (429, 503): waitSeconds from its Retry-After, -1 without one.
    void TakeRetryAfter();
    // How long the `waits`-th wait lasts: what the server asked (at most `maxSeconds`), else
    // 5, 10, then 20 seconds.
    static int32_t WaitSeconds(int32_t asked, int32_t waits, int32_t maxSeconds);
    // A picture or a movie: an answer that is a web page (a login page) is no such file.
    bool media = false;

    // A page read behind a link reads into `page` instead of a file (the monitor's alone again
    // after the final store).
    std::unique_ptr<PageText> page;
    // ... and harvests it there by the modern rules, off the window's thread, into `links`.
    std::unique_ptr<LinkTable> links;
    Settings harvest{};
    // A look-up of a file's first bytes (a probe, `rangeTo` 0 on asks for bytes
    // rangeFrom..rangeTo) or
    // of a whole small file (a thumbnail) reads at most bodyCap bytes into `body`.
    std::size_t bodyCap = 0;
    uint64_t rangeFrom = 0;
    int64_t rangeTo = -1;

    // Worker -> monitor, written before the final store and read only after it.
    std::string partName;     // the part it claimed; empty when it claimed none
    std::string finalName;    // the name the finished file was given; a page's final address
    std::string sha256;       // a published download's digest; empty when not known
    std::string contentType;  // a page's Content-Type
    std::string cause;        // why it failed
    int32_t waitSeconds = -1; // Waiting: what Retry-After asked for, -1 when it said nothing
    std::string body;         // a look-up's bytes
    int64_t fileBytes = -1;   // the whole file's size by Content-Range or Content-Length
    bool overCap = false;     // the whole file is larger than bodyCap

    // Worker -> monitor.
    std::atomic<JobState> state{JobState::Created};
    std::atomic<uint64_t> totalBytes{0};
    std::atomic<uint64_t> receivedBytes{0};
    // Where the job's first body began: what the part held already is no part of the rate.
    static constexpr uint64_t notResumed = UINT64_MAX;
    std::atomic<uint64_t> resumedFrom{notResumed};
    // The validator of the answer being received (modern rules): each one is a string of its
    // own that never changes once it is published by a release store; the worker keeps them
    // all in `validators` (its alone until the final store), so none is freed before the job.
    std::atomic<const std::string*> validator{nullptr};
    std::vector<std::unique_ptr<const std::string>> validators;
    // Monitor -> worker (relaxed: each is read on its own once per loop turn). A cancel asked
    // for by the user takes the part with it; one at the end of a run keeps it for the next.
    static constexpr int32_t cancelDiscarding = 1;
    static constexpr int32_t cancelKeepingPart = 2;
    std::atomic<bool> pauseRequested{false};
    std::atomic<int32_t> cancelRequested{0};
};
