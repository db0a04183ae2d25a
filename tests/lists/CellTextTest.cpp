#include "lists/CellText.h"
#include "lists/ListMenus.h"

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
    // The Bytes cell of the File List.
    const std::pair<int64_t, const char*> bytes[] = {{-1, ""},
                                                     {0, "0 B"},
                                                     {1023, "1023 B"},
                                                     {1024, "1 KB"},
                                                     {1048575, "1023 KB"},
                                                     {1048576, "1.0 MB"},
                                                     {3565158, "3.4 MB"},
                                                     {int64_t{10} << 30, "10 GB"},
                                                     {(int64_t{3} << 30) / 2, "1.5 GB"}};
    for (const auto& [count, expected] : bytes)
        EXPECT_EQ(CellText::BytesText(count), expected) << count;
}

TEST(CellText, TheProgressCellAndTheDownloadMenuInEveryState) {
    DownloadTable t;
    for (const char* name : {"n.jpg", "m.jpg"})
        t.QueueDownload({.category = FileCategory::Jpeg,
                         .path = std::string("/") + name,
                         .name = name,
                         .server = "s"});
    auto texts = [&](const std::vector<int32_t>& rows) {
        std::string all;
        for (const MenuItem& i : ListMenus::DownloadListMenu(t, rows))
            all += i.text + (i.enabled ? "|" : "(off)|");
        return all;
    };
    DownloadEntry& e = t.downloads[0];
    e.totalBytes = 200, e.receivedBytes = 50, e.waitLeft = 7, e.cause = "HTTP 404";
    // Only a wait and a failure with a known cause show something other than the progress.
    const char* cells[] = {"25% (0 KB/s)", "25% (0 KB/s)", "25% (0 KB/s)",
                           "25% (0 KB/s)", "25% (0 KB/s)", "HTTP 404",
                           "HTTP 404",     "25% (0 KB/s)", "7 s"};
    for (int32_t s = 0; s <= 8; ++s) {
        e.status = static_cast<DownloadStatus>(s);
        EXPECT_EQ(CellText::ProgressCell(e), cells[s]) << s;
        EXPECT_EQ(texts({0}), "Cancel Downloading 'n.jpg'|Pause/Resume Downloading 'n.jpg'|Retry "
                              "Downloading 'n.jpg'||Remove Completed/Erroneous Downloads|")
            << "the same items in every state: " << s;
    }
    EXPECT_EQ(texts({0, 1}), "Cancel Downloads|Pause/Resume Downloads|Retry Downloads||Remove "
                             "Completed/Erroneous Downloads|");
}
