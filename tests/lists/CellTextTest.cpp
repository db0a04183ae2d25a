#include "lists/CellText.h"
#include "download/DownloadStatus.h"

#include <gtest/gtest.h>

namespace {

struct ProgressCase {
    uint32_t total;
    uint32_t received;
    int32_t rate;
    const char* expected;
};

class Progress : public ::testing::TestWithParam<ProgressCase> {};

} // namespace

TEST_P(Progress, ShowsPercentAndRateWithoutOverflow) {
    const ProgressCase& c = GetParam();
    EXPECT_EQ(CellText::ProgressText(c.total, c.received, c.rate), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    CellText, Progress,
    ::testing::Values(ProgressCase{0, 0, 0, ""}, ProgressCase{0, 500, 7, ""},
                      ProgressCase{1024, 0, 0, "0%"}, ProgressCase{1024, 512, 3, "50% (3 KB/s)"},
                      ProgressCase{1024, 1024, 9, "100%"}, ProgressCase{3, 1, 1, "33% (1 KB/s)"},
                      // more than 43 MB: R x 100 no longer fits 32 bits
                      ProgressCase{50000000, 0, 0, "0%"},
                      ProgressCase{50000000, 45000000, 120, "90% (120 KB/s)"},
                      ProgressCase{50000000, 50000000, 120, "100%"},
                      ProgressCase{4294967295u, 4294967294u, 5, "99% (5 KB/s)"},
                      ProgressCase{4294967295u, 4294967295u, 5, "100%"}));

TEST(CellText, UnknownCodesShowNothing) {
    EXPECT_STREQ(CellText::StatusWord(static_cast<int32_t>(DownloadStatus::DiskError)),
                 "Disk Error");
    EXPECT_STREQ(CellText::StatusWord(8), "");
    EXPECT_STREQ(CellText::StatusWord(-1), "");
    EXPECT_STREQ(CellText::ProtocolText(2), "HTTPS");
    EXPECT_STREQ(CellText::ProtocolText(3), "");
    EXPECT_STREQ(CellText::ProtocolText(-1), "");
}
