#include "download/LookUpQueue.h"

#include "net/Site.h"

#include <algorithm>
#include <array>
#include <vector>

void LookUpQueue::Add(LookUpKind kind, std::string address, std::string referer,
                      std::shared_ptr<const CookieJar> cookies, LookUpSink* sink, int64_t ticket) {
    Item item;
    item.kind = kind;
    item.server = Site::ServerOf(address);
    item.address = std::move(address);
    item.referer = std::move(referer);
    item.cookies = std::move(cookies);
    item.sink = sink;
    item.ticket = ticket;
    items.push_back(std::move(item));
}

int32_t LookUpQueue::Left(const LookUpSink* sink) const {
    return static_cast<int32_t>(std::count_if(items.begin(), items.end(), [&](const Item& i) {
        return !i.dropped && (sink == nullptr || i.sink == sink);
    }));
}

LookUpQueue::Item* LookUpQueue::Next(int64_t now) {
    std::vector<const std::string*> running; // the servers of the running ones
    for (const Item& i : items)
        if (i.slot >= 0)
            running.push_back(&i.server);
    if (running.size() >= static_cast<std::size_t>(maxRunning))
        return nullptr;
    auto busy = [&](const std::string& server) {
        return std::count_if(running.begin(), running.end(),
                             [&](const std::string* s) { return *s == server; }) >= maxPerServer;
    };
    // The first startable look-up of each kind, the kinds in their order.
    std::array<Item*, 3> first{};
    for (Item& i : items) {
        Item*& f = first[static_cast<std::size_t>(i.kind)];
        if (f == nullptr && i.slot < 0 && !i.dropped && i.waitUntil <= now && !busy(i.server))
            f = &i;
        if (first[0] != nullptr)
            break;
    }
    for (Item* f : first)
        if (f != nullptr)
            return f;
    return nullptr;
}

LookUpQueue::Item* LookUpQueue::OnSlot(int32_t slot) {
    for (Item& i : items)
        if (i.slot == slot)
            return &i;
    return nullptr;
}

void LookUpQueue::Ended(Item& item, JobState state, DownloadJob& job, int64_t now, int32_t maxWaits,
                        int32_t maxWaitSeconds) {
    item.slot = -1;
    if (state == JobState::Waiting && !item.dropped && ++item.waits <= maxWaits) {
        const int32_t seconds =
            DownloadJob::WaitSeconds(job.waitSeconds, item.waits, maxWaitSeconds);
        item.waitUntil = now + int64_t{seconds} * 1000;
        return;
    }
    LookUpSink* sink = item.dropped ? nullptr : item.sink;
    const int64_t ticket = item.ticket;
    Forget(item);
    if (sink != nullptr)
        sink->OnLookUp(ticket, state, job);
}

void LookUpQueue::Forget(Item& item) {
    items.remove_if([&](const Item& i) { return &i == &item; });
}
