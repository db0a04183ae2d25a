#pragma once
// Tells when a transfer has stalled: fewer than `minimumBytes` arrived during the last `window`
// of time in which it was not paused. Time spent paused neither counts nor ages the window.

#include <array>
#include <chrono>
#include <cstdint>

class StallWatch {
public:
    using Clock = std::chrono::steady_clock;

    StallWatch(std::chrono::milliseconds window, uint64_t minimumBytes);

    void Start(Clock::time_point now);
    void Count(uint64_t bytes, Clock::time_point now);
    void Pause(Clock::time_point now);
    void Resume(Clock::time_point now);
    bool Stalled(Clock::time_point now) const;

private:
    static constexpr int64_t bucketCount = 30; // slices of the window
    // One slot more than the window has slices: the oldest slice the window still touches
    // keeps its own.
    static constexpr std::size_t slotCount = bucketCount + 1;

    // Time since Start, less the time spent paused.
    Clock::duration ActiveTime(Clock::time_point now) const;
    int64_t BucketIndex(Clock::duration active) const;

    Clock::duration window;
    Clock::duration bucketWidth;
    uint64_t minimumBytes;
    Clock::time_point started{};
    Clock::duration pausedTotal{};
    Clock::time_point pausedSince{};
    bool paused = false;
    // Bytes per slice of the window, by slice number; a slot is stale when its number is old.
    std::array<uint64_t, slotCount> bytes{};
    std::array<int64_t, slotCount> bucketNumber{};
};
