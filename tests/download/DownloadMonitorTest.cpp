// The engine without a window: queue rules, the monitor's scan, pause, resume, cancel and the
// rate, against a loopback server and a clock the test sets.
#include "download/DownloadMonitor.h"
#include "download/DownloadView.h"
#include "download/QueueFile.h"
#include "lists/CellText.h"
#include "lists/PictureProbes.h"
#include "net/InternetSession.h"
#include "settings/Settings.h"
#include "tests/support/CliRun.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/ResumableFile.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace {

using Connection = LoopbackServer::Connection;

// Remembers the cells the monitor would write, by row.
class CellView : public DownloadView {
public:
    void RefreshRow(int32_t row, const DownloadEntry& e) override {
        status[row] = CellText::MonitorStatusWord(e.status);
        if (e.totalBytes != 0)
            progress[row] = CellText::ProgressText(e.totalBytes, e.receivedBytes, e.rateKBps);
    }
    std::map<int32_t, std::string> status;
    std::map<int32_t, std::string> progress;
};

LinkEntry Link(const std::string& path, const std::string& server = "127.0.0.1") {
    return {.category = FileCategory::Jpeg,
            .path = path,
            .name = std::filesystem::path(path).filename(),
            .server = server};
}

class Engine : public ::testing::Test {
protected:
    Engine() {
        session.SetTimeouts(std::chrono::milliseconds(2000), std::chrono::milliseconds(2000));
        settings.saveDirectory = dir.Path();
        settings.serverNameSubdirectory = 0;
        monitor.SetClock([this] { return clock.load(); });
    }
    void Queue(const LoopbackServer& server, const std::string& path) {
        table.QueueDownload(Link(path, server.Address("")));
    }
    // Ticks until `done` holds, for five seconds at the most.
    template <typename Done> bool TickUntil(Done done) {
        for (int i = 0; i < 1000; ++i) {
            monitor.MonitorTick(settings, view);
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    DownloadStatus Status(int i) const { return table.downloads[i].status; }

    TempDir dir;
    InternetSession session;
    Settings settings = Settings::Defaults();
    DownloadTable table;
    DownloadMonitor monitor{table, session};
    CellView view;
    std::atomic<int64_t> clock{1000000}; // milliseconds
};

} // namespace

TEST(DownloadTable, QueueSkipsDuplicatesAndStopsAt1024) {
    DownloadTable t;
    t.QueueDownload(Link("/a.jpg", "one"));
    t.QueueDownload(Link("/a.jpg", "two")); // same path and name: the server does not count
    t.QueueDownload(Link("/b.jpg"));
    ASSERT_EQ(t.downloadCount, 2);
    t.downloads[0].status = DownloadStatus::Complete;
    t.MarkDownloads([](DownloadStatus s) { return s == DownloadStatus::Complete; });
    t.CompactDownloads();
    t.QueueDownload(Link("/a.jpg", "two"));
    EXPECT_EQ(t.downloads[1].server, "two") << "a removed file can be queued again, last";
    for (int i = 0; t.downloadCount < DownloadTable::capacity; ++i)
        t.QueueDownload(Link("/f" + std::to_string(i) + ".jpg"));
    t.QueueDownload(Link("/one-more.jpg"));
    EXPECT_EQ(t.downloadCount, DownloadTable::capacity);
}

TEST_F(Engine, ScanStartsUpToTheLimitAndCancelsBeforeTheBody) {
    LoopbackServer server([](Connection& c) { c.Stall(); });
    for (int i = 0; i < 10; ++i)
        Queue(server, "/f" + std::to_string(i) + ".jpg");
    monitor.MonitorTick(settings, view);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(view.status[i], "Downloading") << i;
    EXPECT_EQ(view.status.size(), 4u) << "rows 4 to 9 are not looked at in the first tick";
    EXPECT_EQ(monitor.RunningCount(), 4);

    // The four jobs are still connecting or requesting: not counted, so rows 4 to 7 are.
    view.status.clear();
    monitor.MonitorTick(settings, view);
    EXPECT_EQ(view.status,
              (std::map<int32_t, std::string>{
                  {4, "Connecting"}, {5, "Connecting"}, {6, "Connecting"}, {7, "Connecting"}}));

    monitor.RequestCancel(0);
    monitor.RequestCancel(7); // not started: left alone
    ASSERT_TRUE(TickUntil([&] { return Status(0) == DownloadStatus::Cancelled; }));
    EXPECT_EQ(view.status[0], "Cancelled");
    EXPECT_FALSE(std::filesystem::exists(dir.File("f0.jpg"))) << "no file before the body";
    EXPECT_EQ(Status(4), DownloadStatus::Downloading) << "the freed slot serves the next row";
    EXPECT_EQ(Status(7), DownloadStatus::Starting);

    monitor.QueueLookUp(LookUpKind::Page, "http://" + server.Address("/page.htm"), "", nullptr, 0);
    monitor.MonitorTick(settings, view); // a page read behind a link runs beside them
    monitor.ShutDown(std::chrono::milliseconds(2000));
    monitor.MonitorTick(settings, view); // harmless once it has ended
    for (int i = 0; i < 10; ++i)
        EXPECT_NE(Status(i), DownloadStatus::Downloading) << i;
    EXPECT_EQ(monitor.RunningCount(), 0);
}

// A server at its limit holds its further rows back, uncounted, while another server's rows
// take the free slots; a slot freed on it goes to its next row.
TEST_F(Engine, PerServerLimitLetsOtherServersStart) {
    LoopbackServer a([](Connection&c) { c.Stall(); }), b([](Connection&c) { c.Stall(); });
    for (const LoopbackServer* server : {&a, &a, &a, &b, &b})
        table.QueueDownload(
            Link("/f" + std::to_string(table.downloadCount) + ".jpg", server->Address("")), true);
    monitor.SetPerServer(2);
    monitor.MonitorTick(settings, view);
    const auto statuses = [&] {
        std::string s;
        for (int i = 0; i < table.downloadCount; ++i)
            s += Status(i) == DownloadStatus::Downloading ? 'D'
                 : Status(i) == DownloadStatus::Starting  ? 'S'
                                                          : 'x';
        return s;
    };
    EXPECT_EQ(statuses(), "DDSDD");
    monitor.RequestCancel(0);
    ASSERT_TRUE(TickUntil([&] { return Status(2) == DownloadStatus::Downloading; }));
    EXPECT_EQ(statuses(), "xDDDD");
    monitor.ShutDown(std::chrono::milliseconds(2000));
}

TEST_F(Engine, RateLeavesOutPausedTimeAndPauseReadsNothing) {
    // Half of a 1,228,800-byte file, then the server waits until the test lets it go on.
    std::atomic<bool> goOn{false};
    LoopbackServer server([&](Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 1228800\r\n\r\n" + std::string(614400, 'x'));
        while (!goOn.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        c.Send(std::string(614400, 'y'));
    });
    session.SetTimeouts(std::chrono::milliseconds(2000), std::chrono::milliseconds(600));
    Queue(server, "/movie.mpg");
    ASSERT_TRUE(TickUntil([&] { return table.downloads[0].receivedBytes == 614400; }));
    EXPECT_EQ(table.downloads[0].rateKBps, 0) << "no rate before a whole second";

    clock = 1012000;
    monitor.MonitorTick(settings, view);
    EXPECT_EQ(view.progress[0], "50% (50 KB/s)");

    monitor.RequestPause(0);
    ASSERT_TRUE(TickUntil([&] { return Status(0) == DownloadStatus::Paused; }));
    // Paused far longer than the 600 ms stall limit, and 60 s by the monitor's clock.
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    clock = 1072000;
    monitor.MonitorTick(settings, view);
    EXPECT_EQ(view.status[0], "Paused");
    EXPECT_EQ(table.downloads[0].receivedBytes, 614400u);
    monitor.RequestPause(0);
    monitor.RequestPause(0);
    monitor.RequestPause(0); // three toggles: resumed
    ASSERT_TRUE(TickUntil([&] { return Status(0) != DownloadStatus::Paused; }));
    goOn = true;
    monitor.MonitorTick(settings, view);
    EXPECT_EQ(table.downloads[0].rateKBps, 50) << "as if the pause had not happened";
    ASSERT_TRUE(TickUntil([&] { return Status(0) == DownloadStatus::Complete; }));
    EXPECT_EQ(view.progress[0], "100%");
    EXPECT_EQ(std::filesystem::file_size(dir.File("movie.mpg")), 1228800u);
}

TEST_F(Engine, RetriedRowAboveARunningOneDoesNotHoldItsSlot) {
    std::atomic<bool> release{false};
    LoopbackServer server(LoopbackServer::Routes(
        {{"/bad.jpg", LoopbackServer::Serve(LoopbackServer::Response("", "404 Not Found"))},
         {"/slow.jpg", [&](Connection& c) {
              while (!release.load())
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              c.Send(LoopbackServer::Response("done"));
          }}}));
    settings.maxThreads = 1;
    Queue(server, "/bad.jpg");
    Queue(server, "/slow.jpg");
    ASSERT_TRUE(TickUntil([&] { return Status(1) == DownloadStatus::Downloading; }));
    EXPECT_EQ(Status(0), DownloadStatus::Error);
    table.RetryDownload(0);
    release = true;
    // Row 0 waits for the only slot and fills the tick's count; row 1 must still be settled.
    ASSERT_TRUE(TickUntil([&] { return Status(1) == DownloadStatus::Complete; }));
    ASSERT_TRUE(TickUntil([&] { return Status(0) == DownloadStatus::Error; }));
    EXPECT_EQ(server.Requests().size(), 3u);
}

namespace {

// A modern row whose server asks it to wait once, then sends the file.
struct WaitCase {
    const char* what;
    std::string retryAfter; // the header's value; empty: none
    int64_t waitMs;         // how long the row must wait, measured from the answer
    bool cancel = false;    // cancelled while waiting
};

} // namespace

// On the monitor's clock a Waiting row starts again no earlier than the server asked and at the
// first tick after; its cell counts whole seconds down, rounded up. The rows are queued under
// the modern rules and keep them with the switch off.
TEST_F(Engine, WaitingRowsWaitInFullAndKeepTheirRules) {
    // clang-format off
    const WaitCase cases[] = {
        {.what = "Retry-After: 1", .retryAfter = "1", .waitMs = 1000},
        {.what = "an HTTP date", .retryAfter = HttpDate(30), .waitMs = 30000},
        {.what = "no Retry-After: 5 s", .retryAfter = "", .waitMs = 5000},
        {.what = "capped at 120 s", .retryAfter = "9999", .waitMs = 120000},
        {.what = "cancelled while waiting", .retryAfter = "50", .waitMs = 50000, .cancel = true},
    };
    // clang-format on
    settings.modernRules = 0;
    for (const WaitCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string header =
            c.retryAfter.empty() ? "" : "Retry-After: " + c.retryAfter + "\r\n";
        LoopbackServer server(
            ResumableFile{.body = "file", .waits = 1, .wait = "HTTP/1.1 429 Wait\r\n" + header}
                .Handler());
        std::ofstream(dir.File("w.jpg")) << "mine";
        table.downloadCount = 0;
        table.QueueDownload(Link("/w.jpg", server.Address("")), true);
        const std::time_t before = std::time(nullptr);
        ASSERT_TRUE(TickUntil([&] { return Status(0) == DownloadStatus::Waiting; }));
        const int64_t answered = clock;
        int64_t wait = c.waitMs;
        if (c.what == std::string("an HTTP date")) { // whole seconds from the answer to the date
            wait = table.downloads[0].waitLeft * 1000;
            EXPECT_LE(std::abs(table.downloads[0].waitLeft - (30 - (std::time(nullptr) - before))),
                      1);
        }
        if (c.cancel) {
            monitor.RequestCancel(0);
            monitor.MonitorTick(settings, view);
            EXPECT_EQ(Status(0), DownloadStatus::Cancelled);
            EXPECT_EQ(server.Requests().size(), 1u);
            continue;
        }
        clock = answered + wait - 1;
        monitor.MonitorTick(settings, view);
        EXPECT_EQ(Status(0), DownloadStatus::Waiting);
        EXPECT_EQ(CellText::ProgressCell(table.downloads[0]), "1 s") << "rounded up";
        clock = answered + wait;
        monitor.MonitorTick(settings, view);
        EXPECT_NE(Status(0), DownloadStatus::Waiting) << "starts again at the first tick after";
        ASSERT_TRUE(TickUntil([&] { return Status(0) == DownloadStatus::Complete; }));
        EXPECT_EQ(table.downloads[0].name, "w (2).jpg") << "modern, and named as saved";
        std::filesystem::remove(dir.File("w (2).jpg"));
    }
}

// A modern row makes a missing save folder with its parents, or ends with the reason before any
// request; its rate counts only what this transfer received, not what its part held; the user's
// cancel removes its part.
TEST_F(Engine, ModernRowsMakeTheirFolderAndRateOnlyNewBytes) {
    std::atomic<bool> goOn{false};
    LoopbackServer server(LoopbackServer::Routes(
        {{"/g.jpg", LoopbackServer::Answer("g")},
         {"/f.jpg", [&](Connection& c) {
              c.Send("HTTP/1.1 206 P\r\nETag: \"e\"\r\nContent-Range: bytes 900000-999999/"
                     "1000000\r\nContent-Length: 100000\r\n\r\n" +
                     std::string(50000, 'n'));
              while (!goOn.load())
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              c.Send(std::string(50000, 'n'));
          }}}));
    std::ofstream(dir.File("in-the-way")) << "file";
    settings.saveDirectory = dir.File("in-the-way/sub");
    table.QueueDownload(Link("/f.jpg", server.Address("")), true);
    ASSERT_TRUE(TickUntil([&] { return Status(0) == DownloadStatus::DiskError; }));
    EXPECT_EQ(table.downloads[0].cause.rfind("cannot make the folder: ", 0), 0u);
    EXPECT_TRUE(server.Requests().empty());

    settings.saveDirectory = dir.File("new/folder");
    table.QueueDownload(Link("/g.jpg", server.Address("")), true);
    ASSERT_TRUE(TickUntil([&] { return Status(1) == DownloadStatus::Complete; }));
    EXPECT_TRUE(std::filesystem::exists(dir.File("new/folder/g.jpg")));

    const std::string address = "http://" + server.Address("/f.jpg");
    ASSERT_TRUE(LeavePart(settings.saveDirectory, "f.jpg", address, "\"e\"",
                          std::string(1000000, 'o'), 900000));
    table.RetryDownload(0);
    clock = 2000000;
    ASSERT_TRUE(TickUntil([&] { return table.downloads[0].receivedBytes > 900000; }));
    clock = 2001000;
    monitor.MonitorTick(settings, view);
    EXPECT_EQ(table.downloads[0].rateKBps, 48) << "50,000 bytes in one second";
    // The user's cancel ends it at once, with no resume, and takes its part with it.
    monitor.RequestCancel(0);
    ASSERT_TRUE(TickUntil([&] { return Status(0) == DownloadStatus::Cancelled; }));
    goOn = true;
    EXPECT_TRUE(PartOf(settings.saveDirectory, "f.jpg").empty());
    EXPECT_EQ(server.Requests().size(), 2u);
}

// The kept queue reads back what it wrote, whatever the names hold; a damaged file adds nothing.
TEST(QueueFile, RoundTripAndDamage) {
    TempDir dir;
    QueueFile queue(dir.File("tk.queue"));
    DownloadTable table;
    table.QueueDownload(Link("/a\tb\\n.jpg", "h:1"), true, "http://p/\npage");
    table.downloads[0].status = DownloadStatus::Error;
    table.downloads[0].receivedBytes = UINT64_MAX;
    table.downloads[0].cause = "HTTP 404";
    table.QueueDownload(Link("/run.jpg", "h:1"), true);
    table.downloads[1].status = DownloadStatus::Downloading;
    table.downloads[1].receivedBytes = 5;
    ASSERT_TRUE(queue.Save(table));
    DownloadTable back;
    back.QueueDownload(Link("/run.jpg", "h:1"), true); // listed already: not added twice
    ASSERT_EQ(queue.Load(back), QueueFile::LoadResult::Loaded);
    ASSERT_EQ(back.downloadCount, 2);
    const DownloadEntry& e = back.downloads[1];
    EXPECT_EQ(e.path + "|" + e.name + "|" + e.referer + "|" + e.cause,
              "/a\tb\\n.jpg|a\tb\\n.jpg|http://p/\npage|HTTP 404");
    EXPECT_EQ(e.status, DownloadStatus::Error);
    EXPECT_EQ(e.receivedBytes, UINT64_MAX);
    EXPECT_TRUE(e.modern);
    const std::string good = QueueFile::Text(table);
    const std::string line = good.substr(good.find('\n') + 1);
    for (const std::string& damaged :
         {good.substr(0, good.size() - 5), "tarvik download list 2\n" + line,
          good + "9\t1\t0\th\t/x\tx\t\t0\t0\t\t\t\t\n",
          good + "4\t1\t0\th\t/x\tx\t\t1" + std::string(30, '9') + "\t0\t\t\t\t\n",
          good + "4\t1\t0\th\t/x\tx\t\\q\t0\t0\t\t\t\t\n"}) {
        std::ofstream(dir.File("tk.queue"), std::ios::trunc) << damaged;
        DownloadTable t;
        EXPECT_EQ(queue.Load(t), QueueFile::LoadResult::Damaged) << damaged;
        EXPECT_EQ(t.downloadCount, 0);
    }
    std::ofstream(dir.File("tk.queue"), std::ios::trunc)
        << good.substr(0, good.find('\n') + 1) + "4\t1\t0\th\t/x\tx\t\t0\t0\t\t\t\n";
    DownloadTable old;
    EXPECT_EQ(queue.Load(old), QueueFile::LoadResult::Loaded) << "a file of twelve fields is read";

    // A name planted where a temporary file might go is never followed.
    TempDir elsewhere;
    std::ofstream(elsewhere.File("target")) << "theirs";
    std::filesystem::create_symlink(elsewhere.File("target"), dir.File("tk.queue.new"));
    ASSERT_TRUE(queue.Save(table));
    EXPECT_EQ(ReadFile(elsewhere.File("target")), "theirs");
    EXPECT_FALSE(std::filesystem::is_symlink(dir.File("tk.queue")));
    // One run keeps the file at a time.
    ASSERT_TRUE(queue.Lock());
    EXPECT_FALSE(QueueFile(queue.Path()).Lock());

    // Rows too long, and rows past the capacity, are set aside whole, never cut.
    const std::string header = good.substr(0, good.find('\n') + 1);
    const std::string longField =
        "4\t1\t0\th\t/f\t" + std::string(9000, 'f') + "\t\t0\t0\t\t\t\t\n";
    const std::string longLine =
        "4\t1\t0\th\t/l\tl\t\t0\t0\t\t" + std::string(70000, 'l') + "\t\t\n";
    std::string rows;
    for (int i = 0; i < 10002; ++i)
        rows += "4\t1\t0\th\t/" + std::to_string(i) + "\tx\t\t0\t0\t\t\t\t\n";
    std::ofstream(dir.File("tk.queue"), std::ios::trunc) << header + longField + longLine + rows;
    DownloadTable full;
    EXPECT_EQ(queue.Load(full), QueueFile::LoadResult::Loaded);
    EXPECT_EQ(full.downloadCount, DownloadTable::modernCapacity);
    EXPECT_EQ(queue.SetAsideRows(), 4u);
    EXPECT_EQ(ReadFile(queue.SetAsidePath()),
              header + longField + longLine + rows.substr(rows.find("\t/10000\t") - 7));
}

// Probes of a page's pictures: their first 64 KiB only, at most 4 at once and 2 a server, the
// page as Referer, a 429 waited for, a web page named .jpg turned into a link, and nothing of a
// page that was left.
TEST_F(Engine, ProbesReadFirstBytesWithinTheLimits) {
    const std::string png =
        std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x06\x40\0\0\x03\x84", 24);
    std::atomic<int> running{0}, most{0}, waited{0};
    std::mutex lock;
    std::map<std::string, int> perServer, mostPerServer;
    auto handler = [&](Connection& c) {
        const std::size_t host = c.Request().find("Host: ") + 6;
        const std::string server = c.Request().substr(host, c.Request().find('\r', host) - host);
        {
            std::lock_guard<std::mutex> hold(lock);
            mostPerServer[server] = std::max(mostPerServer[server], ++perServer[server]);
        }
        most = std::max(most.load(), ++running);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        const std::string path = c.Path();
        if (path == "/busy.png" && waited++ == 0)
            c.Send("HTTP/1.1 429 Too Many\r\nRetry-After: 30\r\nContent-Length: 0\r\n\r\n");
        else if (path == "/login.jpg")
            c.Send(LoopbackServer::Response("<!DOCTYPE html><title>Sign in</title>"));
        else if (path == "/endless.png") // a 200 to a range: read no further than 64 KiB
            LoopbackServer::ThenStall("HTTP/1.1 200 OK\r\nContent-Length: 9000000\r\n\r\n" + png +
                                      std::string(70000, '\0'))(c);
        else if (c.Request().find("Range: bytes=0-65535\r\n") != std::string::npos &&
                 c.Request().find("Referer: http://page.example/\r\n") != std::string::npos)
            c.Send("HTTP/1.1 206 Partial\r\nContent-Range: bytes 0-23/123456\r\nContent-Length: "
                   "24\r\n\r\n" +
                   png);
        else
            c.Send(LoopbackServer::Response("no range or no referer", "400 Bad"));
        --running;
        std::lock_guard<std::mutex> hold(lock);
        --perServer[server];
    };
    LoopbackServer one(handler), two(handler);
    LinkTable page;
    page.modernRows = true;
    page.pageAddress = "http://page.example/g.html";
    auto add = [&](const LoopbackServer& s, const std::string& path, PicturePlace place) {
        LinkEntry e = Link(path, s.Address(""));
        e.place = place;
        page.Append(std::move(e));
    };
    // All of one server's first: the per-server cap, not the total, holds the third.
    for (const LoopbackServer* s : {&one, &two})
        for (int i = 0; i < 5; ++i)
            add(*s, "/p" + std::to_string(i) + ".png", PicturePlace::Content);
    add(one, "/p0.png", PicturePlace::Related); // the same address: asked once
    add(one, "/busy.png", PicturePlace::Content);
    add(two, "/login.jpg", PicturePlace::Content);
    add(two, "/endless.png", PicturePlace::Content);
    add(two, "/pixel.png", PicturePlace::Tracker);
    PictureProbes probes(page);
    EXPECT_EQ(probes.Start(monitor), 13);
    ASSERT_TRUE(TickUntil([&] { return probes.Left() == 1; })) << "all but the one waiting";
    clock += 31000;
    ASSERT_TRUE(TickUntil([&] { return probes.Left() == 0; }));
    EXPECT_TRUE(probes.Apply());
    EXPECT_LE(most.load(), 4);
    for (const auto& [server, count] : mostPerServer)
        EXPECT_EQ(count, 2) << server;
    for (int32_t i = 0; i < page.linkCount; ++i) {
        const LinkEntry& e = page.links[i];
        const std::string expected = e.place == PicturePlace::Tracker ? "-1 0x0 "
                                     : e.path == "/login.jpg"         ? "37 0x0 text/html"
                                     : e.path == "/endless.png"       ? "9000000 1600x900 image/png"
                                                                      : "123456 1600x900 image/png";
        EXPECT_EQ(std::to_string(e.bytes) + " " + std::to_string(e.realWidth) + "x" +
                      std::to_string(e.realHeight) + " " + e.mediaType,
                  expected)
            << e.server << e.path;
        EXPECT_EQ(e.category == FileCategory::HtmlLink, e.path == "/login.jpg") << e.path;
    }
    EXPECT_EQ(waited.load(), 2) << "asked again once the wait was over";

    // A new page: what was on its way is dropped, and nothing of it reaches the rows.
    LinkTable next;
    next.modernRows = true;
    next.Append(Link("/late.png", one.Address("")));
    PictureProbes late(next);
    late.Start(monitor);
    monitor.MonitorTick(settings, view);
    late.Stop(monitor);
    EXPECT_EQ(monitor.LookUpsLeft(), 0) << "stopped at once";
    ASSERT_TRUE(
        TickUntil([&] { return monitor.LookUpsLeft() == 0 && monitor.RunningCount() == 0; }));
    EXPECT_FALSE(late.Apply());
    EXPECT_EQ(next.links[0].bytes, -1);
}
