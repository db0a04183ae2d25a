#include "tests/app/WindowFixture.h"
#include "tests/support/LoopbackServer.h"

#include <QDir>
#include <QTest>
#include <filesystem>

namespace {

using Rows_ = std::vector<std::string>;

const char* const page = "<img src=/a.jpg><img src=/b.jpeg><img src=/c.gif><a href=/m.mpg>"
                         "<a href=/v.avi>";

} // namespace

TEST_F(WindowTest, DownloadAllJpegsFetchesThePictures) {
    LoopbackServer server(LoopbackServer::Routes(
        {{"/album.htm", LoopbackServer::Serve(LoopbackServer::Response(page))},
         {"/a.jpg", LoopbackServer::Serve(LoopbackServer::Response(std::string(3000, 'a')))},
         {"/b.jpeg", LoopbackServer::Serve(LoopbackServer::Response(std::string(5000, 'b')))}}));
    auto w = MakeConfirmedWindow();
    GetUrl(*w, server.Address("/album.htm"));
    const std::string host = server.Address("");

    w->OnCommand(ControlId::DownloadAllJpegs);
    EXPECT_EQ(Rows(w->DownloadList()), (Rows_{"a.jpg|JPEG||Starting|/a.jpg|HTTP|" + host,
                                              "b.jpeg|JPEG||Starting|/b.jpeg|HTTP|" + host}));
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return Rows(w->DownloadList()) == Rows_{"a.jpg|JPEG|100%|Complete|/a.jpg|HTTP|" + host,
                                                "b.jpeg|JPEG|100%|Complete|/b.jpeg|HTTP|" + host};
    })) << Rows(w->DownloadList())[0];
    EXPECT_EQ(std::filesystem::file_size(dir.Path() + "/" + host + "/b.jpeg"), 5000u);

    w->OnCommand(ControlId::DownloadAllJpegs);
    EXPECT_EQ(Rows(w->DownloadList()).size(), 2u) << "each picture is queued once";
    EXPECT_EQ(Rows(w->DownloadList())[0], "a.jpg|JPEG|100%|Complete|/a.jpg|HTTP|" + host)
        << "a fill shows the entry";

    SaveShot(*w, "download-list.png");
}

TEST_F(WindowTest, ClosingCancelsRunningDownloads) {
    LoopbackServer server([](LoopbackServer::Connection& c) {
        if (c.Path() == "/p.htm")
            c.Send(LoopbackServer::Response("<img src=/slow.jpg>"));
        else
            c.Stall();
    });
    auto w = MakeConfirmedWindow();
    GetUrl(*w, server.Address("/p.htm"));
    w->OnCommand(ControlId::DownloadAllJpegs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Monitor().RunningCount() == 1; }));
    const auto start = std::chrono::steady_clock::now();
    w.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_TRUE(std::filesystem::exists(dir.File("tk.opt")));
}
