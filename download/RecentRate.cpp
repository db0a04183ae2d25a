#include "download/RecentRate.h"

#include <algorithm>

void RecentRate::Add(int64_t ms, uint64_t bytes) {
    // Samples closer than minSpacing to the one before the last replace the last, so that the
    // samples kept always reach two seconds back.
    if (count > 1 && ms - At(1).ms < minSpacing) {
        samples[(next + sampleSlots - 1) % sampleSlots] = {ms, bytes};
        return;
    }
    samples[next] = {ms, bytes};
    next = (next + 1) % sampleSlots;
    count = std::min(count + 1, sampleSlots);
}

uint64_t RecentRate::PerSecond() const {
    if (count < 2)
        return 0;
    int oldest = 1;
    while (oldest + 1 < count && At(0).ms - At(oldest).ms < windowMilliseconds)
        ++oldest;
    const int64_t span = At(0).ms - At(oldest).ms;
    const uint64_t got = At(0).bytes - std::min(At(0).bytes, At(oldest).bytes);
    return span > 0 ? got * 1000 / static_cast<uint64_t>(span) : 0;
}

bool RecentRate::Moving() const {
    return PerSecond() > 0;
}
