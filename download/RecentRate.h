#pragma once
// How fast a download runs now: the bytes of the monitor's ticks over the last two seconds, per
// second. The window's Speed and Time Left cells and the modern rows' rate read it.

#include <array>
#include <cstdint>

class RecentRate {
public:
    static constexpr int64_t windowMilliseconds = 2000;

    // Forgets the samples of an earlier run.
    void Reset() { count = 0; }
    bool Empty() const { return count == 0; }
    // At `ms` the download had received `bytes` in all.
    void Add(int64_t ms, uint64_t bytes);
    // Bytes a second over the samples of the last two seconds; 0 before two samples.
    uint64_t PerSecond() const;
    // True when bytes arrived within the last two seconds' samples.
    bool Moving() const;

private:
    struct Sample {
        int64_t ms = 0;
        uint64_t bytes = 0;
    };
    // Ticks come every 250 ms or sooner; the oldest sample kept is the first one at least two
    // seconds old, so that the window is always whole once the download has run that long.
    static constexpr int sampleSlots = 16;
    static constexpr int64_t minSpacing = windowMilliseconds / (sampleSlots - 2);
    const Sample& At(int back) const {
        return samples[(next + sampleSlots - 1 - back) % sampleSlots];
    }

    std::array<Sample, sampleSlots> samples{};
    int next = 0;  // where the next sample goes
    int count = 0; // samples kept
};
