#include "lists/CellText.h"

#include <gtest/gtest.h>

TEST(CellText, ProgressShowsPercentAndRateWithoutOverflow) {
    constexpr uint64_t gib = 1ull << 30;
    const std::tuple<uint64_t, uint64_t, int32_t, const char*> cases[] = {
        {0, 0, 0, ""},
        {0, 500, 7, ""},
        {1024, 0, 0, "0%"},
        {1024, 512, 3, "50% (3 KB/s)"},
        {1024, 1024, 9, "100%"},
        {3, 1, 1, "33% (1 KB/s)"},
        {50000000, 45000000, 120, "90% (120 KB/s)"}, // R x 100 no longer fits 32 bits
        {4294967295u, 4294967294u, 5, "99% (5 KB/s)"},
        {5 * gib, 2 * gib, 40, "40% (40 KB/s)"}, // over 4 GiB
        {UINT64_MAX, UINT64_MAX - 1, 1, "99% (1 KB/s)"},
        {UINT64_MAX, UINT64_MAX, 1, "100%"}};
    for (const auto& [total, received, rate, expected] : cases)
        EXPECT_EQ(CellText::ProgressText(total, received, rate), expected)
            << total << " " << received;
}
