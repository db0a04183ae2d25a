#pragma once
// The look-ups waiting for, or running on, the monitor's worker slots: page reads behind links,
// probes of pictures' first bytes and thumbnails. It decides which starts next (thumbnails the
// user is looking at first, then pages, then probes), at most maxRunning at once and
// maxPerServer on one server, waits as a server asks, and tells each look-up's owner how it
// ended. User-interface thread only.

#include "download/DownloadJob.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>

enum class LookUpKind : uint8_t { Thumbnail, Page, Probe }; // in the order they start

// Told of each look-up as it ends (user-interface thread). `job` is the ended job, whose body,
// harvest and final address the owner may take.
class LookUpSink {
public:
    virtual ~LookUpSink() = default;
    virtual void OnLookUp(int64_t ticket, JobState state, DownloadJob& job) = 0;
};

class LookUpQueue {
public:
    static constexpr int32_t maxRunning = 4;
    static constexpr int32_t maxPerServer = 2;

    struct Item {
        LookUpKind kind = LookUpKind::Page;
        std::string address;
        std::string referer;
        std::shared_ptr<const CookieJar> cookies; // its page's; null: none
        ReferrerPolicy::Kind policy = ReferrerPolicy::Kind::StrictOriginWhenCrossOrigin;
        int64_t rangeFrom = 0; // a probe read on from where an earlier one ran out
        LookUpSink* sink = nullptr;
        int64_t ticket = 0;
        std::string server; // host[:port], for the per-server limit
        int32_t slot = -1;  // running on this slot
        int32_t waits = 0;
        int64_t waitUntil = 0;
        bool dropped = false; // its owner stopped it: it ends untold
    };

    void Add(LookUpKind kind, std::string address, std::string referer,
             std::shared_ptr<const CookieJar> cookies, LookUpSink* sink, int64_t ticket);
    Item& Last() { return items.back(); }
    // Nothing more is told to `sink` (null: to any owner); the slots of its running look-ups
    // are handed to `cancel`.
    template <typename Cancel> void Drop(const LookUpSink* sink, Cancel cancel) {
        for (auto it = items.begin(); it != items.end();) {
            if ((sink != nullptr && it->sink != sink) || it->dropped) {
                ++it;
            } else if (it->slot >= 0) {
                it->dropped = true;
                cancel(it->slot);
                ++it;
            } else {
                it = items.erase(it);
            }
        }
    }
    // Look-ups of `sink` queued, waiting or running; of every owner with null.
    int32_t Left(const LookUpSink* sink = nullptr) const;
    // The look-up to start at `now` (milliseconds), or null when none may start.
    Item* Next(int64_t now);
    // The look-up running on `slot`, or null.
    Item* OnSlot(int32_t slot);
    // The job of `item` ended in `state`: tried again later when the server asked to wait
    // (at most `maxWaits` times, `maxWaitSeconds` at the most, else 5, 10, 20 s), otherwise its
    // owner is told and it is gone.
    void Ended(Item& item, JobState state, DownloadJob& job, int64_t now, int32_t maxWaits,
               int32_t maxWaitSeconds);
    // The slot went without its job (a shutdown): the look-up is gone untold.
    void Forget(Item& item);

private:
    std::list<Item> items; // stable, so an owner told of one may add more
};
