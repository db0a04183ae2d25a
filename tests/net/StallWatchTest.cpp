// The stall watch on a clock the test sets: a 30 s window, 1,024 bytes.
#include "net/StallWatch.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using Clock = StallWatch::Clock;

struct Step {
    char what; // 'c' count `bytes`, 'p' pause, 'r' resume, 's' stalled?, 'n' not stalled?
    double at; // seconds after the start
    uint64_t bytes = 0;
};

} // namespace

TEST(StallWatch, WindowEdgesAndPausedTime) {
    const std::pair<const char*, std::vector<Step>> cases[] = {
        {"silence", {{'n', 29.9}, {'s', 30.0}}},
        {"enough bytes", {{'c', 1, 1024}, {'n', 30.9}, {'s', 32.0}}},
        {"too few bytes", {{'c', 1, 1023}, {'s', 30.0}}},
        {"bytes at the window's far edge count",
         {{'c', 0.5, 1500}, {'n', 30.0}, {'n', 30.4}, {'s', 31.6}}},
        {"paused time counts for nothing",
         {{'p', 10}, {'n', 500}, {'r', 1000}, {'n', 1019.9}, {'s', 1020.1}}},
        {"a stall after a pause and resume",
         {{'c', 5, 2000}, {'p', 10}, {'r', 100}, {'n', 124}, {'s', 127}}},
        {"pausing twice adds nothing",
         {{'p', 10}, {'p', 20}, {'r', 30}, {'r', 40}, {'n', 49.9}, {'s', 50.1}}},
    };
    for (const auto& [what, steps] : cases) {
        StallWatch watch(std::chrono::milliseconds(30000), 1024);
        const Clock::time_point start{};
        watch.Start(start);
        for (const Step& step : steps) {
            const auto at = start + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(step.at));
            if (step.what == 'c')
                watch.Count(step.bytes, at);
            else if (step.what == 'p')
                watch.Pause(at);
            else if (step.what == 'r')
                watch.Resume(at);
            else
                EXPECT_EQ(watch.Stalled(at), step.what == 's') << what << " at " << step.at;
        }
    }
}
