#include "net/RateLimit.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>
#include <vector>

// Transfers that each look every few milliseconds of a clock the test drives and take a piece
// whenever the limit lets them: every two-second window stays within 10% of the limit, and
// each transfer gets its turns.
TEST(RateLimit, SharedByTheTransfersRunning) {
    struct Case {
        int64_t rate;
        int transfers;
        uint64_t piece;
    };
    const Case cases[] = {{1 << 20, 1, 16384}, {2 << 20, 4, 16384}, {64 << 10, 3, 4096}};
    constexpr int64_t ms = 1'000'000;
    for (const Case& c : cases) {
        RateLimit limit;
        limit.SetRate(c.rate);
        std::vector<uint64_t> byTransfer(c.transfers);
        std::vector<uint64_t> byMillisecond;
        for (int64_t t = 0; t < 10'000; ++t) {
            byMillisecond.push_back(0);
            for (int i = 0; i < c.transfers; ++i)
                if (t % (7 + 3 * i) == 0 && limit.HoldFor(t * ms) == 0) {
                    limit.Took(c.piece, t * ms);
                    byTransfer[i] += c.piece;
                    byMillisecond.back() += c.piece;
                }
        }
        for (std::size_t from = 0; from + 2000 <= byMillisecond.size(); from += 100) {
            const auto begin = byMillisecond.begin() + static_cast<std::ptrdiff_t>(from);
            const double rate = static_cast<double>(std::accumulate(begin, begin + 2000, 0ull)) / 2;
            EXPECT_NEAR(rate, static_cast<double>(c.rate), 0.1 * static_cast<double>(c.rate))
                << c.rate << " from " << from << " ms";
        }
        for (int i = 0; i < c.transfers; ++i)
            EXPECT_GT(byTransfer[i] * c.transfers * 4, c.rate * 10u) << "transfer " << i;
    }
    RateLimit none;
    none.Took(1 << 30, 0);
    EXPECT_EQ(none.HoldFor(0), 0) << "no limit holds nothing back";
}
