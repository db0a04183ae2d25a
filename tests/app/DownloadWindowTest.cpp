#include "tests/app/WindowFixture.h"
#include "tests/support/LoopbackServer.h"

#include "download/QueueFile.h"
#include "tests/support/CliRun.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Rows_ = std::vector<std::string>;
using Server = LoopbackServer;

std::string BodyOf(const std::string& path) {
    std::string body(120000, ' ');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>('a' + (i * 7 + path.size() * 3 + path[1]) % 26);
    return body;
}

// Every path but /page.htm is a file that comes in 8 KiB pieces 30 ms apart (/k... 100 ms), from
// the range asked
// for when If-Range names its ETag. /wait.jpg first asks to wait 2 s; the first four answers for
// /r.jpg break off after 1,000 bytes.
Server::Handler Files(const std::string& page) {
    auto counts = std::make_shared<std::map<std::string, int>>();
    auto lock = std::make_shared<std::mutex>();
    return [=](Server::Connection& c) {
        const std::string path = c.Path();
        if (path == "/page.htm")
            return static_cast<void>(c.Send(Server::Response(page)));
        int n = 0;
        {
            const std::lock_guard<std::mutex> hold(*lock);
            n = (*counts)[path]++;
        }
        if (path == "/wait.jpg" && n == 0)
            return static_cast<void>(c.Send("HTTP/1.1 429 Wait\r\nRetry-After: 2\r\n\r\n"));
        const std::string body = BodyOf(path);
        const std::size_t at = c.Request().find("\r\nRange: bytes=");
        const bool ranged =
            at != std::string::npos && c.Request().find("\r\nIf-Range: \"v\"") != std::string::npos;
        const std::size_t start = ranged ? std::stoul(c.Request().substr(at + 15)) : 0;
        std::string answer = (ranged ? "HTTP/1.1 206 Part\r\nContent-Range: bytes " +
                                           std::to_string(start) + "-119999/120000\r\n"
                                     : std::string("HTTP/1.1 200 OK\r\n")) +
                             "ETag: \"v\"\r\nConnection: close\r\nContent-Length: " +
                             std::to_string(body.size() - start) + "\r\n\r\n";
        const std::size_t end = path == "/r.jpg" && n < 4 ? start + 1000 : body.size();
        for (std::size_t p = start;
             p < end && c.Send(answer + body.substr(p, std::min<std::size_t>(8192, end - p)));
             p += 8192) {
            answer.clear();
            std::this_thread::sleep_for(std::chrono::milliseconds(path[1] == 'k' ? 100 : 30));
        }
    };
}

std::string Cell(CMainDialog& w, int row, int column) {
    return w.DownloadList()->topLevelItem(row)->text(column).toStdString();
}

} // namespace

TEST_F(WindowTest, ModernQueueWaitsResumesAndSurvivesTheEnd) {
    std::string page;
    for (int i = 0; i < 14; ++i)
        page += "<img src=/f" + std::to_string(i) + ".jpg>";
    Server server(Files(page + "<img src=/wait.jpg><img src=/r.jpg>"));
    auto w = MakeConfirmedWindow(true);
    GetUrl(*w, server.Address("/page.htm"));
    w->GetSettings().maxThreads = 16;
    w->OnCommand(ControlId::DownloadAllJpegs);
    ASSERT_EQ(Rows(w->DownloadList()).size(), 16u);
    QTreeWidget* list = w->DownloadList();
    const QRect last = list->visualItemRect(list->topLevelItem(15));
    EXPECT_TRUE(last.top() >= 0 && last.bottom() < list->viewport()->height())
        << "the rows just queued are scrolled into view";
    // The rows are in name order: f0..f13, r.jpg, wait.jpg.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Cell(*w, 15, 3) == "Waiting"; }));
    EXPECT_TRUE(Cell(*w, 15, 2) == "2 s" || Cell(*w, 15, 2) == "1 s") << Cell(*w, 15, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Cell(*w, 14, 3) == "Error"; }));
    EXPECT_EQ(Cell(*w, 14, 2), "cut short");
    SaveShot(*w, "download-list.png");
    // Escape ends the program at once, with downloads still running.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Monitor().RunningCount() >= 8; }));
    QTest::keyClick(w->Control(ControlId::UrlBox), Qt::Key_Escape);
    w.reset();

    w = MakeWindow();
    w->show();
    ASSERT_EQ(Rows(w->DownloadList()).size(), 16u) << "the queue came back";
    EXPECT_EQ(Cell(*w, 14, 3), "Error");
    w->DownloadList()->topLevelItem(14)->setSelected(true);
    w->OnCommand(ControlId::RetrySelected);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Downloads().AllFinal(); }, 20000));
    for (int i = 0; i < 16; ++i) {
        const DownloadEntry& e = w->Downloads().downloads[i];
        EXPECT_EQ(e.status, DownloadStatus::Complete) << e.name;
        EXPECT_EQ(ReadFile(e.localPath), BodyOf(e.path)) << e.name;
    }
    const std::vector<std::string> requests = server.Requests();
    EXPECT_NE(std::find_if(requests.begin(), requests.end(),
                           [](const std::string& r) {
                               return r.find("/r.jpg") != std::string::npos &&
                                      r.find("Range: bytes=4000-") != std::string::npos;
                           }),
              requests.end())
        << "Retry resumed the .part";
}

TEST_F(WindowTest, AKilledProgramLosesNothingButItsLastSecond) {
    Server server(Files(""));
    Settings s = Settings::Defaults();
    s.saveDirectoryConfirmed = s.modernRules = 1;
    s.saveDirectory = dir.Path();
    SettingsFile(dir.File("tk.opt")).Save(s);
    QueueFile queue(QueueFile::BesideSettings(dir.File("tk.opt")));
    std::ofstream(queue.Path()) << "tarvik download list 1\nnot\tan\tentry\n";
    MakeWindow().reset();
    EXPECT_EQ(platform.messages,
              std::vector<std::string>{"The saved Download List could not be read. "
                                       "It was set aside as " +
                                       queue.Path() + ".damaged."});
    DownloadTable table;
    for (int i = 0; i < 4; ++i) {
        const std::string name = "k" + std::to_string(i) + ".jpg";
        table.QueueDownload({.category = FileCategory::Jpeg,
                             .path = "/" + name,
                             .name = name,
                             .server = server.Address("")},
                            true);
    }
    ASSERT_TRUE(queue.Save(table));
    const pid_t child = ::fork();
    if (child == 0) {
        ::chdir(dir.Path().c_str());
        ::execl(TARVIK_PROGRAM, TARVIK_PROGRAM, nullptr);
        ::_exit(127);
    }
    // Killed and reaped however the test ends, so a failing check fails instead of hanging.
    struct Reaper {
        pid_t pid;
        void Stop() {
            if (pid > 0 && ::kill(pid, SIGKILL) == 0)
                ::waitpid(pid, nullptr, 0);
            pid = 0;
        }
        ~Reaper() { Stop(); }
    } reaper{child};
    // Killed once every file is under way and the queue holds what a resume depends on.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return ReadFile(queue.Path()).value_or("").find("\"v\"") != std::string::npos &&
                   !PartOf(dir.Path() + "/" + server.Address(""), "k3.jpg").empty();
        },
        10000));
    reaper.Stop();
    auto w = MakeWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Downloads().AllFinal(); }, 10000));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ReadFile(w->Downloads().downloads[i].localPath),
                  BodyOf(w->Downloads().downloads[i].path));
    const std::vector<std::string> requests = server.Requests();
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const std::string& r) {
        return r.find("If-Range: \"v\"") != std::string::npos;
    })) << "a .part was resumed";
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
    w->GetSettings().maxThreads = 7;
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Monitor().RunningCount() == 1; }));
    const auto start = std::chrono::steady_clock::now();
    w.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(SettingsFile(dir.File("tk.opt")).Load().maxThreads, 7)
        << "the options file is written at the end";
}

// A classic start neither reads nor writes the kept queue; turning the modern rules on in the
// options adds its rows after those listed.
TEST_F(WindowTest, TheKeptQueueComesBackWhenTheModernRulesComeOn) {
    MakeConfirmedWindow(true).reset();
    EXPECT_TRUE(platform.messages.empty()) << "a modern start without a kept queue says nothing";
    DownloadTable kept;
    kept.QueueDownload({.category = FileCategory::Jpeg,
                        .path = "/k.jpg",
                        .name = "k.jpg",
                        .server = "127.0.0.1:1"},
                       true);
    kept.downloads[0].status = DownloadStatus::Complete;
    QueueFile queue(QueueFile::BesideSettings(dir.File("tk.opt")));
    ASSERT_TRUE(queue.Save(kept));
    const std::optional<std::string> text = ReadFile(queue.Path());
    auto w = MakeConfirmedWindow(false);
    EXPECT_TRUE(Rows(w->DownloadList()).empty());
    QTest::qWait(1100);
    w->MonitorTick();
    EXPECT_EQ(ReadFile(queue.Path()), text) << "a classic session writes no queue";
    QTimer::singleShot(0, [] {
        QWidget* options = QApplication::activeModalWidget();
        for (QAbstractButton* b : options->findChildren<QAbstractButton*>())
            if (b->property("controlId").toInt() == 1040)
                b->click();
        for (QAbstractButton* b : options->findChildren<QAbstractButton*>())
            if (b->property("controlId").toInt() == 1)
                b->click();
    });
    w->OnCommand(ControlId::Options);
    ASSERT_EQ(w->GetSettings().modernRules, 1);
    EXPECT_EQ(Rows(w->DownloadList()), Rows_{"k.jpg|JPEG||Complete|/k.jpg|HTTP|127.0.0.1:1"});
}
