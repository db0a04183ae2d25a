#include "net/StallWatch.h"

#include <algorithm>

StallWatch::StallWatch(std::chrono::milliseconds window, uint64_t minimumBytes)
    : window(std::max(window, std::chrono::milliseconds(bucketCount))),
      bucketWidth(this->window / bucketCount), minimumBytes(minimumBytes) {
    bucketNumber.fill(-1);
}

void StallWatch::Start(Clock::time_point now) {
    started = now;
    pausedTotal = {};
    paused = false;
    bytes.fill(0);
    bucketNumber.fill(-1);
}

StallWatch::Clock::duration StallWatch::ActiveTime(Clock::time_point now) const {
    const Clock::time_point end = paused ? pausedSince : now;
    return end - started - pausedTotal;
}

int64_t StallWatch::BucketIndex(Clock::duration active) const {
    return active / bucketWidth;
}

void StallWatch::Count(uint64_t count, Clock::time_point now) {
    const int64_t number = BucketIndex(ActiveTime(now));
    const std::size_t slot = static_cast<std::size_t>(number) % slotCount;
    if (bucketNumber[slot] != number) {
        bucketNumber[slot] = number;
        bytes[slot] = 0;
    }
    bytes[slot] += count;
}

void StallWatch::Pause(Clock::time_point now) {
    if (!paused) {
        paused = true;
        pausedSince = now;
    }
}

void StallWatch::Resume(Clock::time_point now) {
    if (paused) {
        paused = false;
        pausedTotal += now - pausedSince;
    }
}

bool StallWatch::Stalled(Clock::time_point now) const {
    const Clock::duration active = ActiveTime(now);
    if (active < window)
        return false;
    // The slices that lie wholly or partly inside the last window: bytes are forgotten a slice
    // late, never early.
    const int64_t newest = BucketIndex(active);
    uint64_t recent = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bucketNumber[i] >= newest - bucketCount)
            recent += bytes[i];
    return recent < minimumBytes;
}
