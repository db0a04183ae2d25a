#include "net/RateLimit.h"

#include <algorithm>

int64_t RateLimit::HoldFor(int64_t now) const {
    if (Rate() == 0)
        return 0;
    return std::max<int64_t>(0, paidUntil.load(std::memory_order_relaxed) - now - burstNanoseconds);
}

void RateLimit::Took(uint64_t bytes, int64_t now) {
    const int64_t perSecond = Rate();
    if (perSecond == 0 || bytes == 0)
        return;
    // An idle line saves up no more than the burst: what was not used is gone.
    const auto cost = static_cast<int64_t>(static_cast<long double>(bytes) * 1e9L /
                                           static_cast<long double>(perSecond));
    int64_t was = paidUntil.load(std::memory_order_relaxed);
    while (!paidUntil.compare_exchange_weak(was, std::max(was, now - burstNanoseconds) + cost,
                                            std::memory_order_relaxed)) {
    }
}
