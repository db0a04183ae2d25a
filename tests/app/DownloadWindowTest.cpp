#include "tests/app/WindowFixture.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/ResumableFile.h"

#include "download/LocalFile.h"
#include "download/QueueFile.h"
#include "lists/ListColumns.h"
#include "tests/support/CliRun.h"

#include <QProcess>
#include <QTest>
#include <fstream>

namespace {

using Server = LoopbackServer;

std::string BodyOf(const std::string& path) {
    std::string body(120000, ' ');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>('a' + (i * 7 + path.size() * 3 + path[1]) % 26);
    return body;
}

// `page` at /page.htm, and each of `names` a file that comes in 8 KiB pieces 30 ms apart (k...:
// 100 ms), resumable. wait.jpg first asks to wait 2 s; the first two answers for r.jpg break off
// at byte 1,000.
Server::Handler Files(const std::string& page, const std::vector<std::string>& names) {
    std::map<std::string, Server::Handler> routes = {{"/page.htm", Server::Answer(page)}};
    for (const std::string& name : names)
        routes["/" + name] = ResumableFile{.body = BodyOf("/" + name),
                                           .validators = "ETag: \"v\"\r\n",
                                           .waits = name == "wait.jpg",
                                           .wait = "HTTP/1.1 429 Wait\r\nRetry-After: 2\r\n",
                                           .cuts = name == "r.jpg" ? 2 : 0,
                                           .cutAt = 1000,
                                           .piece = 8192,
                                           .gapMs = name[0] == 'k' ? 100 : 30}
                                 .Handler();
    return Server::Routes(routes);
}

std::string Cell(CMainDialog& w, int row, int column) {
    return w.DownloadList()->topLevelItem(row)->text(column).toStdString();
}

} // namespace

// The kept queue of the modern rules: a damaged one is set aside; rows wait as asked and name
// why they failed; the queue survives Escape and a killed program, which loses at most its last
// second of it; Retry resumes the .part; the queue is the modern rules' alone.
TEST_F(WindowTest, TheModernQueueSurvivesEscapeAndAKill) {
    std::vector<std::string> names;
    std::string page;
    for (int i = 0; i < 14; ++i) {
        names.push_back("k" + std::to_string(i) + ".jpg");
        page += "<img src=/" + names.back() + ">";
    }
    names.insert(names.end(), {"r.jpg", "wait.jpg"});
    page += "<img src=/r.jpg><img src=/wait.jpg>";
    Server server(Files(page, names));
    MakeConfirmedWindow(true).reset();
    EXPECT_TRUE(platform.messages.empty()) << "a modern start without a kept queue says nothing";
    QueueFile queue(QueueFile::BesideSettings(dir.File("tk.opt")));
    std::ofstream(queue.Path()) << "tarvik download list 1\nnot\tan\tentry\n";
    auto w = MakeConfirmedWindow(true);
    EXPECT_EQ(platform.messages, Items{"The saved Download List could not be read. "
                                       "It was set aside as " +
                                       queue.Path() + ".damaged."});
    GetUrl(*w, server.Address("/page.htm"));
    w->GetSettings().maxThreads = 16;
    w->OnCommand(ControlId::DownloadAllJpegs);
    ASSERT_EQ(Rows(w->DownloadList()).size(), 16u);
    QTreeWidget* list = w->DownloadList();
    const QRect last = list->visualItemRect(list->topLevelItem(15));
    EXPECT_TRUE(last.top() >= 0 && last.bottom() < list->viewport()->height())
        << "the rows just queued are scrolled into view";
    // The rows are in the page's order: k0..k13, r.jpg, wait.jpg.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Cell(*w, 15, 3) == "Waiting"; }));
    EXPECT_TRUE(Cell(*w, 15, 2) == "2 s" || Cell(*w, 15, 2) == "1 s") << Cell(*w, 15, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Cell(*w, 14, 3) == "Error"; }));
    EXPECT_EQ(Cell(*w, 14, 2), "cut short");
    // Escape ends the program at once, with downloads still running.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Monitor().RunningCount() >= 8; }));
    // A running row shows its speed and the time its size leaves; the status line's end, all
    // the running rows' speed.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Cell(*w, 0, ListColumns::speedColumn).empty(); }));
    const std::string speed = Cell(*w, 0, ListColumns::speedColumn);
    EXPECT_TRUE(speed.size() > 6 && speed.substr(speed.size() - 5) == " KB/s" && speed[0] != '0')
        << speed;
    EXPECT_EQ(Cell(*w, 0, ListColumns::timeLeftColumn).rfind("0:0", 0), 0u);
    EXPECT_EQ(Cell(*w, 0, ListColumns::savedAsColumn),
              w->Downloads().downloads[0].server + "/k0.jpg")
        << "where the file goes, under the save folder";
    EXPECT_NE(static_cast<QLabel*>(w->Control(ControlId::TotalSpeed))->text().indexOf(" running, "),
              -1);
    QTest::keyClick(w->Control(ControlId::UrlBox), Qt::Key_Escape);
    w.reset();
    const std::optional<std::string> escaped = ReadFile(queue.Path());

    // The program started again goes on with the queue, and is killed once it has kept some of
    // its progress.
    // Killed however the test ends (QProcess kills and reaps it), so a failing check fails
    // instead of hanging.
    QProcess child;
    child.setWorkingDirectory(QString::fromStdString(dir.Path()));
    child.start(TARVIK_PROGRAM, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadFile(queue.Path()) != escaped; }, 10000));
    child.kill();
    child.waitForFinished();

    w = MakeWindow();
    w->show();
    ASSERT_EQ(Rows(w->DownloadList()).size(), 16u) << "the queue came back";
    EXPECT_EQ(Cell(*w, 0, ListColumns::savedAsColumn),
              w->Downloads().downloads[0].server + "/k0.jpg");
    EXPECT_EQ(Cell(*w, 14, 3), "Error");
    // The user works in another window while the list finishes.
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    w->DownloadList()->topLevelItem(14)->setSelected(true);
    w->OnCommand(ControlId::RetrySelected);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Downloads().AllFinal(); }, 20000));
    EXPECT_EQ(platform.notices, (Items{"Downloads finished: 16 files downloaded"}))
        << "told once, to a window not in front";
    for (int i = 0; i < 16; ++i) {
        const DownloadEntry& e = w->Downloads().downloads[i];
        EXPECT_EQ(e.status, DownloadStatus::Complete) << e.name;
        EXPECT_TRUE(ReadFile(e.localPath) == BodyOf(e.path)) << e.name;
    }
    const std::vector<std::string> requests = server.Requests();
    for (const auto& [path, resumed] :
         {std::pair{"/r.jpg", "Range: bytes=1000-"}, std::pair{"/k", "If-Range: \"v\""}})
        EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [&](const std::string& r) {
            return r.find(path) != std::string::npos && r.find(resumed) != std::string::npos;
        })) << resumed;

    // Show in Folder asks the file manager; with none answering the folder is opened, and when
    // that fails too, where the file is is said.
    w->DownloadList()->clearSelection();
    w->DownloadList()->topLevelItem(0)->setSelected(true);
    platform.openCodes = {2};
    w->OnCommand(ControlId::ShowInFolder);
    const std::string file = w->Downloads().downloads[0].localPath;
    EXPECT_EQ(platform.shownInFolder, Items{file});
    EXPECT_EQ(platform.opened.back(), LocalFile::DirectoryOf(file));
    EXPECT_EQ(platform.messages.back(), "No file manager answered; the file is " + file);

    // A classic start neither reads nor writes the kept queue; turning the modern rules on in the
    // options brings its rows back.
    w.reset();
    const std::optional<std::string> kept = ReadFile(queue.Path());
    w = MakeConfirmedWindow(false);
    EXPECT_TRUE(Rows(w->DownloadList()).empty());
    QTest::qWait(1100);
    w->MonitorTick();
    EXPECT_EQ(ReadFile(queue.Path()), kept) << "a classic session writes no queue";
    ClickInNextDialog({1040, 1}); // the modern rules' box, then OK
    w->OnCommand(ControlId::Options);
    EXPECT_EQ(Rows(w->DownloadList()).size(), 16u);
    // A second window of the folder keeps no list of its own, and says so once.
    platform.messages.clear();
    auto second = MakeConfirmedWindow(true);
    EXPECT_EQ(platform.messages, Items{"Another Tarvik keeps the Download List of this folder; "
                                       "this window's list will not be kept."});
    EXPECT_TRUE(Rows(second->DownloadList()).empty());
}
