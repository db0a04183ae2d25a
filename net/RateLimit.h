#pragma once
// One speed limit shared by every running download: a token bucket kept as the time at which
// what was let through is paid for. A transfer receives while that time is less than a short
// burst ahead of now, and holds back (paused, its stall clock stopped) until then. Any number
// of worker threads use it at once: its state is two atomics.

#include <atomic>
#include <cstdint>

class RateLimit {
public:
    // The debt a transfer may run up before it holds back: what keeps the transfers flowing
    // without letting any two-second window run more than a few percent over.
    static constexpr int64_t burstNanoseconds = 50'000'000;

    // Bytes a second for all transfers together; 0 lifts the limit.
    void SetRate(int64_t bytesPerSecond) {
        rate.store(bytesPerSecond > 0 ? bytesPerSecond : 0, std::memory_order_relaxed);
    }
    int64_t Rate() const { return rate.load(std::memory_order_relaxed); }

    // How long a transfer waits at `now` (nanoseconds on a monotonic clock) before it may
    // receive again; 0: at once.
    int64_t HoldFor(int64_t now) const;
    // `bytes` were received at `now`.
    void Took(uint64_t bytes, int64_t now);

private:
    // Relaxed throughout: the two values are read and changed on their own, and the order of
    // their changes seen by another thread changes no more than who receives first.
    std::atomic<int64_t> rate{0};
    std::atomic<int64_t> paidUntil{0}; // nanoseconds
};
