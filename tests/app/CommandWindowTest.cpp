#include "app/CModernOptionsDialog.h"
#include "app/COptionsDialog.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/CliRun.h"
#include "tests/support/LoopbackServer.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <fstream>
#include <thread>

namespace {

using Server = LoopbackServer;

QPoint RowPoint(QTreeWidget* list, int row) {
    return list->visualItemRect(list->topLevelItem(row)).center();
}

// A right-button press and release on `row` of `list` (-1: below the rows), through the window
// system as a real one comes; returns where it was.
QPoint RightClick(QTreeWidget* list, int row) {
    const QPoint at = row >= 0 ? RowPoint(list, row) : QPoint(5, list->viewport()->height() - 5);
    QWidget* window = list->window();
    const QPoint inWindow = list->viewport()->mapTo(window, at);
    QTest::mousePress(window->windowHandle(), Qt::RightButton, Qt::NoModifier, inWindow);
    QTest::mouseRelease(window->windowHandle(), Qt::RightButton, Qt::NoModifier, inWindow);
    return list->viewport()->mapToGlobal(at);
}

void Select(QTreeWidget* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int row : rows)
        list->topLevelItem(row)->setSelected(true);
}

void DoubleClick(QTreeWidget* list, int row) {
    // A press and release, then the double-click; the simulated clock moves a second on first,
    // so this never counts as the third click of the double-click before.
    const QPoint at = RowPoint(list, row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at, 1000);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// Answers each path with the page the table gives it.
Server::Handler Pages(const std::map<std::string, std::string>& pages) {
    std::map<std::string, Server::Handler> routes;
    for (const auto& [path, page] : pages)
        routes[path] = Server::Answer(page);
    return Server::Routes(routes);
}

std::string ExampleText(const CModernOptionsDialog& modern) {
    for (const QLabel* label : modern.findChildren<QLabel*>())
        if (label->property("controlId").toInt() == CModernOptionsDialog::maskExampleId)
            return label->text().toStdString();
    return "(no example)";
}

// Opens the Options, then the Modern Options, and hands them to `act` (Cancel unless it closed
// them); the Options' OK follows.
void InModernOptions(CMainDialog& w, const std::function<void(CModernOptionsDialog&)>& act) {
    QTimer::singleShot(0, [act] {
        QTimer::singleShot(50, [act] {
            auto* modern = qobject_cast<CModernOptionsDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(modern, nullptr);
            act(*modern);
            if (modern->isVisible())
                modern->OnCommand(2);
        });
        auto* options = qobject_cast<COptionsDialog*>(QApplication::activeModalWidget());
        options->ModernButton()->click();
        options->OnCommand(1);
    });
    w.OnCommand(ControlId::Options);
}

} // namespace

TEST_F(WindowTest, ListMenusFollowTheSelection) {
    Server server(Pages({{"/p.htm", "<img src=a.jpg><img src='b&c.gif'><a href=next.htm>"}}));
    auto w = MakeConfirmedWindow();
    GetUrl(*w, server.Address("/p.htm"));
    QTreeWidget* files = w->FileList();
    const QPoint clicked = RightClick(files, -1);
    ASSERT_EQ(platform.menus.size(), 1u);
    EXPECT_EQ(platform.menus[0].items,
              (Items{"Start Downloading files(off)|1008", "Remove files from List(off)|1011", "-",
                     "Properties(off)|1009"}));
    EXPECT_EQ(platform.menus[0].at, clicked + QPoint(10, 0));
    // A request from the keyboard names no place in a list: it shows nothing.
    QContextMenuEvent key(QContextMenuEvent::Keyboard, RowPoint(files, 0),
                          files->viewport()->mapToGlobal(RowPoint(files, 0)));
    QApplication::sendEvent(files->viewport(), &key);
    EXPECT_EQ(platform.menus.size(), 1u);

    Select(files, {1});
    platform.menuChoices = {1008};
    RightClick(files, 1);
    EXPECT_EQ(platform.menus[1].items,
              (Items{"Start Downloading 'b&&c.gif'|1008", "Remove 'b&&c.gif' from list|1011", "-",
                     "Properties|1009"}));
    EXPECT_EQ(Rows(w->DownloadList()).size(), 1u) << "the chosen item ran";

    Select(files, {0, 2});
    platform.menuChoices = {1011};
    RightClick(files, 0);
    EXPECT_EQ(platform.menus[2].items[0], "Start Downloading files|1008");
    EXPECT_EQ(platform.menus[2].items[3], "Properties(off)|1009");
    EXPECT_EQ(Rows(*w), Items{"b&c.gif|GIF|/b&c.gif"});

    RightClick(w->DownloadList(), -1);
    EXPECT_EQ(platform.menus[3].items[0], "Cancel Downloads(off)|1030");
    files->clearSelection();
    w->OnCommand(ControlId::DownloadSelected);
    EXPECT_EQ(platform.messages, Items{"No items selected."});
}

TEST_F(WindowTest, PauseResumeCancelRetryAndRemove) {
    Server server(Server::Routes(
        {{"/p.htm", Server::Answer("<img src=run.jpg><img src=bad.jpg>")},
         {"/run.jpg", Server::ThenStall("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nab")}}));
    auto w = MakeConfirmedWindow();
    GetUrl(*w, server.Address("/p.htm"));
    w->OnCommand(ControlId::DownloadAllJpegs);
    const DownloadTable& t = w->Downloads();
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.downloads[1].receivedBytes == 2; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.downloads[0].status == DownloadStatus::Error; }));
    Select(w->DownloadList(), {1});
    w->OnCommand(ControlId::PauseSelected);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.downloads[1].status == DownloadStatus::Paused; }));
    w->OnCommand(ControlId::PauseSelected);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.downloads[1].status != DownloadStatus::Paused; }));

    Select(w->DownloadList(), {0, 1});
    w->OnCommand(ControlId::RetrySelected);
    EXPECT_EQ(t.downloads[0].status, DownloadStatus::Starting) << "only the failed one restarts";
    Select(w->DownloadList(), {1});
    w->OnCommand(ControlId::PauseSelected);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.downloads[1].status == DownloadStatus::Paused; }));
    w->OnCommand(ControlId::CancelSelected); // while paused
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.AllFinal(); }));
    EXPECT_EQ(w->DownloadList()->topLevelItem(1)->text(3), "Cancelled");

    w->OnCommand(ControlId::RetryAllFailed);
    EXPECT_EQ(t.downloads[0].status, DownloadStatus::Starting);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.AllFinal(); }));
    w->OnCommand(ControlId::RemoveFailed);
    ASSERT_EQ(Rows(w->DownloadList()).size(), 1u);
    w->OnCommand(ControlId::RemoveFinished);
    EXPECT_TRUE(Rows(w->DownloadList()).empty());
    // Closing cancels a running download at once.
    w->OnCommand(ControlId::DownloadAllJpegs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return t.downloads[1].receivedBytes == 2; }));
    const auto start = std::chrono::steady_clock::now();
    w.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
}

TEST_F(WindowTest, DoubleClicksFollowLinksAndTheHistoryWalksBack) {
    Server server(Pages({{"/a.htm", "<title>A</title><a href=b.htm>"},
                         {"/b.htm", "<title>B</title><a href=c.htm>"},
                         {"/c.htm", "<title>C</title><a href=d.htm><img src=x.jpg>"},
                         {"/d.htm", "<title></title>"},
                         {"/x.jpg", "picture"}}));
    auto w = MakeConfirmedWindow();
    GetUrl(*w, server.Address("/a.htm"));
    for (int page = 0; page < 3; ++page)
        DoubleClick(w->FileList(), 0);
    EXPECT_EQ(UrlText(*w).toStdString(), "http://" + server.Address("//d.htm"));
    EXPECT_TRUE(w->Control(ControlId::Back)->isEnabled());

    platform.menuChoices = {1018};
    w->OnCommand(ControlId::BackMenu);
    ASSERT_EQ(platform.menus.size(), 1u);
    QWidget* back = w->Control(ControlId::Back);
    QWidget* arrow = w->Control(ControlId::BackMenu);
    EXPECT_EQ(platform.menus[0].at, QPoint(back->mapToGlobal(QPoint(0, 0)).x(),
                                           arrow->mapToGlobal(QPoint(0, arrow->height())).y()));
    EXPECT_EQ(TitleText(*w), "A");
    w->OnCommand(ControlId::Forward);
    w->OnCommand(ControlId::Forward);
    EXPECT_EQ(TitleText(*w), "C");
    GetUrl(*w, server.Address("/c.htm"));
    EXPECT_EQ(w->History().backCount, 2) << "Get URL records nothing";

    const int picture = Rows(*w)[0] == "x.jpg|JPEG|/x.jpg" ? 0 : 1;
    QTest::mouseDClick(w->FileList()->viewport(), Qt::MiddleButton, Qt::NoModifier,
                       RowPoint(w->FileList(), picture));
    EXPECT_EQ(w->Downloads().downloadCount, 0) << "only the left button's double-click acts";
    DoubleClick(w->FileList(), picture);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Downloads().AllFinal(); }));
    DoubleClick(w->DownloadList(), 0);
    EXPECT_EQ(platform.opened, Items{w->Downloads().downloads[0].localPath});
    platform.openCodes = {31};
    w->OnCommand(ControlId::OpenDownloadDirectory);
    EXPECT_EQ(platform.messages,
              Items{"Can't open " + dir.Path() +
                    ":\n\nThere is no application associated\nwith the given filename extension."})
        << "a failure says so";
    w->GetSettings().saveDirectory.assign(1011, 'd');
    w->OnCommand(ControlId::OpenDownloadDirectory);
    EXPECT_EQ(platform.opened.size(), 2u) << "too long for the command line: not launched";
}

TEST_F(WindowTest, ModernRulesListTodaysPicturesAndFollowWholeAddresses) {
    const Server::Handler pages = Pages(
        {{"/news/story.html", "<img data-src=/img/a.webp srcset='/img/a-4.webp 400w, /img/a-8.webp "
                              "800w' width=400 height=300><a href='more.html?p=2'>"},
         {"/news/more.html?p=2", "<title>More</title>"}});
    const Server::Handler gone = Server::Answer("<img src=/x.jpg>", "404 Not Found");
    Server server([&](Server::Connection& c) { (c.Path() == "/gone.html" ? gone : pages)(c); });
    auto w = MakeConfirmedWindow(true);
    EXPECT_EQ(static_cast<QAbstractButton*>(w->Control(ControlId::DownloadAllJpegs))->text(),
              "Download All Pictures");
    // The modern options name the files: a mask that cannot be used is refused, naming why.
    // The Save as box shows the name its mask gives, an example page's before a page is read.
    std::vector<std::string> examples;
    InModernOptions(*w, [&](CModernOptionsDialog& modern) {
        for (const char* mask : {"*title*/*num* *name*.*ext*", "*nom*", "*num* *name*.*ext*"}) {
            modern.SaveAsBox()->setText(mask);
            examples.push_back(ExampleText(modern));
            modern.OnCommand(1);
        }
    });
    EXPECT_EQ(examples, (Items{"Example: Storm Hits the Coast/001 lead-1600.jpg",
                               "This mask cannot be used: unknown tag *nom*.",
                               "Example: 001 lead-1600.jpg"}));
    EXPECT_EQ(platform.messages,
              Items{"The file name mask \"*nom*\" cannot be used: unknown tag *nom*."});
    EXPECT_EQ(ReadFile(dir.File("tk.modern")),
              "name-mask = *num* *name*.*ext*\nmin-size = 100x100\ncookies = none\n"
              "cookie-profile = \ncookie-file = \nuser-agent = \nnext-pages = 20\nper-server = "
              "0\nlimit-rate = 0\nkeep-identical = false\nnotify = true\n");
    GetUrl(*w, server.Address("/news/story.html"));
    w->OnCommand(ControlId::DownloadAllJpegs);
    EXPECT_EQ(w->Downloads().downloads[0].name, "001 a-8.webp");
    const std::string host = server.Address("").substr(0, server.Address("").find('/'));
    EXPECT_EQ(Rows(*w), (Items{"1|a-8.webp|IMAGE|/img/a-8.webp|" + host + "|content|800x600|",
                               "2|  ->more.html|HTML Link|/news/more.html?p=2|" + host + "|||"}))
        << "the number, the server, the place, the declared size and the bytes";
    InModernOptions(*w, [&](CModernOptionsDialog& modern) {
        modern.SaveAsBox()->setText("*host*/*num* *name*.*ext*");
        examples = {ExampleText(modern)};
    });
    std::string safeHost = host;
    safeHost[safeHost.find(':')] = '_';
    EXPECT_EQ(examples, Items{"Example: " + safeHost + "/001 a-8.webp"})
        << "the page's first content picture, its server's colon made safe";
    DoubleClick(w->FileList(), 1);
    EXPECT_EQ(UrlText(*w).toStdString(), "http://" + server.Address("/news/more.html?p=2"));
    EXPECT_EQ(TitleText(*w), "More");
    // An error page's links are listed, and the status line says what the answer was.
    auto* status = static_cast<QLabel*>(w->Control(ControlId::StatusLine));
    EXPECT_TRUE(status->isVisible() && status->text().isEmpty());
    GetUrl(*w, server.Address("/gone.html"));
    EXPECT_EQ(status->text(), "HTTP 404 Not Found");
    EXPECT_EQ(Rows(*w).size(), 1u);
}

// Get Next Pages reads as far as the modern options say, and goes on from there when asked
// again; the rows of each page join below, sent with their own page as the Referer.
TEST_F(WindowTest, NextPagesJoinTheFileList) {
    const Server::Handler serve = Pages({
        {"/g1.html", "<title>G</title><link rel=next href=/g2.html><img src=/1.jpg>"},
        {"/g2.html", "<img src=/1.jpg><img src=/2.jpg><a href=/g3.html>Next ›</a>"},
        {"/g3.html", "<img src=/3.jpg><a href=/g1.html>next</a>"},
    });
    Server server(serve);
    std::ofstream(dir.File("tk.modern")) << "next-pages = 1\nper-server = 1\n";
    auto w = MakeConfirmedWindow(true);
    GetUrl(*w, server.Address("/g1.html"));
    auto status = [&] { return static_cast<QLabel*>(w->Control(ControlId::StatusLine))->text(); };
    w->OnCommand(ControlId::GetNextPages);
    w->MonitorTick();
    EXPECT_EQ(status(), "Reading next pages: 1 of at most 1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return status() == "Read 1 next page"; }));
    EXPECT_EQ(Rows(*w).size(), 3u) << "1.jpg once, 2.jpg and the link to page 3";
    w->OnCommand(ControlId::GetNextPages);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return status() == "Read 1 next page" && Rows(*w).size() == 5; }));
    w->OnCommand(ControlId::GetNextPages);
    EXPECT_EQ(platform.messages, Items{"This page names no next page."}) << "page 1 was read";
    w->OnCommand(ControlId::DownloadAllJpegs);
    ASSERT_EQ(w->Downloads().downloadCount, 3);
    w->MonitorTick();
    EXPECT_EQ(w->DownloadList()->topLevelItem(2)->text(3).toStdString(), "Queued")
        << "one download at a time from the server, as the options say";
    for (int i = 0; i < 3; ++i) {
        const DownloadEntry& e = w->Downloads().downloads[i];
        EXPECT_EQ(e.referer, "http://" + server.Address("/g") + e.path[1] + ".html") << e.path;
    }
    // Pressed again once they have ended, it says so and offers to take them anew.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Downloads().AllFinal(); }));
    platform.answers = {true};
    w->OnCommand(ControlId::DownloadAllJpegs);
    EXPECT_EQ(platform.messages.back(), "The 3 pictures of this page's article are already in the "
                                        "Download List. [Download Again]");
    EXPECT_EQ(w->Downloads().downloadCount, 3);
    EXPECT_FALSE(w->Downloads().AllFinal()) << "queued anew";
}

TEST_F(WindowTest, PicturesBehindLinksComeInWhileTheWindowGoesOn) {
    std::map<std::string, std::string> pages = {
        {"/g.html", "<title>G</title>"},
        {"/bare.html", "<nav><img src=/logo.png></nav><img src=/b.gif width=1 height=1><footer>"
                       "<img src=/f.png></footer>"}};
    for (const std::string n : {"1", "2", "3"}) {
        pages["/g.html"] += "<a href=/p/" + n + ".html><img src=/t/" + n + ".jpg></a>";
        pages["/p/" + n + ".html"] =
            "<nav><img src=/logo.png></nav><img src=/full/" + n + ".jpg width=900 height=600>";
    }
    std::atomic<bool> slow{false};
    const Server::Handler serve = Pages(pages);
    Server server([&](Server::Connection& c) {
        if (slow && c.Path() != "/p/1.html")
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        serve(c);
    });
    auto w = MakeConfirmedWindow(true);
    GetUrl(*w, server.Address("/g.html"));
    w->OnCommand(ControlId::GetPicturesBehindLinks);
    w->MonitorTick();
    auto status = [&] { return static_cast<QLabel*>(w->Control(ControlId::StatusLine))->text(); };
    EXPECT_EQ(status(), "Reading linked pages: 0 of 3");
    ASSERT_TRUE(QTest::qWaitFor([&] { return status() == "Read 3 of 3 linked pages"; }));
    EXPECT_EQ(TitleText(*w), "G") << "the title label keeps the title";
    w->OnCommand(ControlId::DownloadAllJpegs);
    ASSERT_EQ(w->Downloads().downloadCount, 3);
    for (int i = 0; i < 3; ++i) {
        const DownloadEntry& e = w->Downloads().downloads[i];
        EXPECT_EQ(e.path.rfind("/full/", 0), 0u) << "the full-size pictures, not the thumbnails";
        EXPECT_EQ(e.referer, "http://" + server.Address("/p/") + e.path[6] + ".html")
            << "each came from its own page";
    }
    // A new page stops the reading and drops what comes late.
    slow = true;
    w->OnCommand(ControlId::GetPicturesBehindLinks);
    GetUrl(*w, server.Address("/p/1.html"));
    QTest::qWait(700);
    EXPECT_EQ(Rows(*w).size(), 2u);
    EXPECT_FALSE(status().startsWith("Read")) << "the status line is the new page's";
    // A page whose pictures are all furniture says so, rather than queueing nothing in silence.
    GetUrl(*w, server.Address("/bare.html"));
    w->OnCommand(ControlId::DownloadAllJpegs);
    EXPECT_EQ(platform.messages, Items{"No picture of this page's article was found.\n\n2 other "
                                       "pictures are listed: select them in the File List to "
                                       "download them."});
}
