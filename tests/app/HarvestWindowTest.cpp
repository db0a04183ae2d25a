#include "app/CFileList.h"
#include "app/CListCommands.h"
#include "app/CModernOptionsDialog.h"
#include "app/COptionsDialog.h"
#include "app/CRetrievingDialog.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/CliRun.h"
#include "tests/support/LoopbackServer.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <mutex>

namespace {

using Server = LoopbackServer;

const char* const album = "<html><head><title>Holiday pictures</title></head><body>\n"
                          "<a href='day2.htm'>next</a> <img src=\"img/beach.JPG\">\r\n"
                          "<img src='Img/Aunt.gif'> <a href=\"/films/surf.avi\">\n"
                          "<a href='http://mirror.example:8080/z/all.zip'><a href='#top'>\n";

void ClickHeader(CMainDialog& w, int column) {
    QHeaderView* header = w.FileList()->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

} // namespace

TEST_F(WindowTest, FetchedPageFillsTheFileListAndHeadersShareOneDirection) {
    Server server(Server::Answer(album));
    auto w = MakeConfirmedWindow();
    GetUrl(*w, server.Address("/trip/day1.htm"));
    ASSERT_TRUE(platform.messages.empty()) << platform.messages.front();
    EXPECT_EQ(UrlText(*w).toStdString(), "http://" + server.Address("/trip/day1.htm"));
    EXPECT_EQ(TitleText(*w), "Holiday pictures");
    EXPECT_EQ(Rows(*w),
              (Items{"all.zip|ZIP|/z/all.zip", "Aunt.gif|GIF|trip/Img/Aunt.gif",
                     "beach.JPG|JPEG|trip/img/beach.JPG", "  ->day2.htm|HTML Link|trip/day2.htm",
                     "surf.avi|AVI|trip/films/surf.avi"}));

    ClickHeader(*w, 0); // the first click after a load: names descending
    EXPECT_EQ(Rows(*w).front(), "surf.avi|AVI|trip/films/surf.avi");
    GetUrl(*w, server.Address("/trip/day1.htm")); // a fresh page sets the flag as the first did
    ClickHeader(*w, 2);
    EXPECT_EQ(Rows(*w).front(), "all.zip|ZIP|/z/all.zip");

    // The selection is drawn on the first column only, and only while the list has the focus.
    QTreeWidget* list = w->FileList();
    QApplication::setActiveWindow(w.get());
    list->setFocus();
    list->topLevelItem(0)->setSelected(true);
    // A cell is highlighted when the selection colour stands at its left edge.
    const QColor selection = list->palette().color(QPalette::Active, QPalette::Highlight);
    auto highlighted = [&](int column) {
        const int x = list->header()->sectionViewportPosition(column) + 2;
        const int y = list->visualItemRect(list->topLevelItem(0)).center().y();
        const QColor c = list->viewport()->grab().toImage().pixelColor(x, y);
        return std::abs(c.hue() - selection.hue()) < 8 &&
               std::abs(c.value() - selection.value()) < 24;
    };
    EXPECT_TRUE(highlighted(0));
    EXPECT_FALSE(highlighted(1));
    w->Control(ControlId::UrlBox)->setFocus();
    EXPECT_FALSE(highlighted(0));
}

// A fetch that fails, refused or stalled half-way, leaves the last page, its list and its title
// as they were; while a page is fetched its box is shown and the monitor goes on ticking.
TEST_F(WindowTest, FailedFetchLeavesTheLastPageAloneWhileTheWindowGoesOn) {
    Server server([](Server::Connection& c) {
        if (c.Path().find(".htm") != std::string::npos)
            c.Send(Server::Response(album));
        else
            Server::Drip("HTTP/1.0 200 OK\r\n\r\n", 5, 100, 50)(c);
    });
    // Opens, sends a title and a link, then stalls: the fetch breaks off after 2 s.
    Server stalled(Server::ThenStall("HTTP/1.0 200 OK\r\n\r\n<title>Half</title><a href=x.zip>"));
    auto w = MakeConfirmedWindow();
    GetUrl(*w, server.Address("/trip/day1.htm"));
    const Items before = Rows(*w);
    w->OnCommand(ControlId::DownloadAllJpegs);
    GetUrl(*w, "127.0.0.1:1/nothing.htm");
    bool boxShown = false;
    QTimer::singleShot(300, [&] {
        boxShown = qobject_cast<CRetrievingDialog*>(QApplication::activeModalWidget()) != nullptr;
    });
    GetUrl(*w, stalled.Address("/"));
    EXPECT_TRUE(boxShown) << "the retrieving box is shown during the fetch";
    EXPECT_EQ(platform.messages, Items(2, "Unable to open this URL."));
    EXPECT_EQ(UrlText(*w).toStdString(), "http://" + stalled.Address("/"));
    EXPECT_EQ(Rows(*w), before);
    EXPECT_EQ(TitleText(*w), "Holiday pictures");
    EXPECT_EQ(w->Downloads().downloads[0].status, DownloadStatus::Complete)
        << "the monitor went on ticking during the fetch";
    w->GetSettings().modernRules = 1;
    GetUrl(*w, "127.0.0.1:1/nothing.htm");
    EXPECT_EQ(platform.messages.back(), "Unable to open this URL.\nrefused") << "and why";
}

TEST_F(WindowTest, SuccessivePagesTitlesAndFlags) {
    Server server(Server::Routes(
        {{"/a.htm", Server::Answer(album)},
         {"/b.htm", Server::Answer("<p>nothing</p>", "404 No")},
         {"/c.htm", Server::Answer("<title>&lt;b&gt; <i>x</title><img src='<b>.jpg'>")}}));
    auto w = MakeConfirmedWindow();
    w->GetSettings().harvestGif = 0;
    GetUrl(*w, server.Address("/a.htm"));
    EXPECT_EQ(Rows(*w).size(), 4u);
    w->GetSettings().harvestGif = 1;
    EXPECT_EQ(Rows(*w).size(), 4u) << "the list keeps what the old flags admitted";
    w->OnCommand(ControlId::GetUrl);
    EXPECT_EQ(Rows(*w).size(), 5u);

    GetUrl(*w, server.Address("/b.htm"));
    EXPECT_TRUE(Rows(*w).empty());
    EXPECT_EQ(w->Title(), "");
    EXPECT_EQ(TitleText(*w), "Holiday pictures") << "the label is refreshed only by a title";

    GetUrl(*w, server.Address("/c.htm"));
    EXPECT_EQ(TitleText(*w), "&lt;b&gt; ");
    EXPECT_EQ(static_cast<QLabel*>(w->Control(ControlId::TitleLabel))->textFormat(), Qt::PlainText)
        << "drawn as the plain text it is, not as mark-up";
}

// Under the modern rules the user sees before taking: real sizes as the probes answer, a filter,
// thumbnails only of rows in view, the user's word over the place, and the smallest picture
// Download All Pictures takes.
TEST_F(WindowTest, SeeingBeforeTaking) {
    auto jpeg = [](int w, int h) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        QImage image(w, h, QImage::Format_Mono);
        image.fill(0);
        image.save(&buffer, "JPEG"); // which opens the buffer
        return bytes.toStdString();
    };
    std::string page =
        "<title>Finds</title><article><p>" + std::string(600, 'w') +
        "</p><img src=/big.jpg><img src=/small.jpg><img src=/gone.jpg alt='Harbour wall'>"
        "<a href=/notes.html>Notes</a></article>"
        "<aside class=ad><img src=/ad.jpg width=300 height=250></aside><aside>";
    // The first one's thumbnail comes from its smallest size that fills one.
    page += "<img src=/more/0.jpg srcset='/more/0-s.jpg 100w, /more/0-m.jpg 200w, /more/0.jpg "
            "1600w' width=400 height=300>";
    for (int i = 1; i < 60; ++i)
        page += "<img src=/more/" + std::to_string(i) + ".jpg width=400 height=300>";
    const std::string big = jpeg(400, 300), small = jpeg(50, 40);
    Server server([&](Server::Connection& c) {
        const std::string path = c.Path();
        if (path == "/finds.html")
            c.Send(Server::Response(page + "</aside>"));
        else if (path == "/gone.jpg")
            c.Send(Server::Response("", "404 Not Found"));
        else
            c.Send(Server::Response(path == "/small.jpg" ? small : big, "200 OK",
                                    "Content-Type: image/jpeg\r\n"));
    });
    auto w = MakeConfirmedWindow(true);
    GetUrl(*w, server.Address("/finds.html"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return w->MonitorTick(), w->Monitor().LookUpsLeft() == 0; }, 10000));
    const std::vector<std::string> rows = Rows(*w);
    auto row = [&](const std::string& name) {
        return static_cast<int>(
            std::find_if(rows.begin(), rows.end(),
                         [&](const std::string& r) { return r.find("|" + name + "|") < 4; }) -
            rows.begin());
    };
    const std::string host = server.Address("").substr(0, server.Address("").find('/'));
    // The page's order comes first, the content before the rest; the server has a column.
    EXPECT_EQ(rows[1], "2|small.jpg|JPEG|/small.jpg|" + host + "|content|50x40|" +
                           std::to_string(small.size()) + " B");
    EXPECT_EQ(rows[2], "3|gone.jpg|JPEG|/gone.jpg|" + host + "|content||") << "a failed probe";
    EXPECT_EQ(rows[3].substr(0, 11), "4|  ->notes");
    ClickHeader(*w, 1);
    EXPECT_EQ(Rows(*w).front().substr(0, 8), "6|0.jpg|") << "Name is one click away";
    ClickHeader(*w, 0);
    EXPECT_NE(Rows(*w), rows);
    ClickHeader(*w, 0);
    EXPECT_EQ(Rows(*w), rows) << "# gives the page's order again";

    // The filter line: kind, text and content only, and the count.
    auto* count = static_cast<QLabel*>(w->Control(ControlId::RowCount));
    static_cast<QLineEdit*>(w->Control(ControlId::FilterBox))->setText("MORE/1");
    EXPECT_EQ(count->text(), "11 of 65 rows");
    static_cast<QLineEdit*>(w->Control(ControlId::FilterBox))->setText("harbour");
    EXPECT_EQ(count->text(), "1 of 65 rows") << "the alt text is matched too";
    const std::size_t asked = server.Requests().size();
    QTest::keyClick(w->Control(ControlId::FilterBox), Qt::Key_Return);
    EXPECT_EQ(server.Requests().size(), asked) << "Enter in the filter box is no Get URL";
    static_cast<QLineEdit*>(w->Control(ControlId::FilterBox))->clear();
    static_cast<QAbstractButton*>(w->Control(ControlId::ContentOnly))->click();
    EXPECT_EQ(count->text(), "3 of 65 rows");
    static_cast<QAbstractButton*>(w->Control(ControlId::ContentOnly))->click();

    // The grid asks for the thumbnails of the rows it shows, and of no other.
    static_cast<QComboBox*>(w->Control(ControlId::ViewSwitch))->setCurrentIndex(1);
    CFileList& view = w->FileView();
    const std::string first = "http://" + server.Address("/more/0-m.jpg"); // rows by name
    const std::string last = "http://" + server.Address("/more/59.jpg");
    ASSERT_TRUE(QTest::qWaitFor([&] {
        view.Grid()->grab();
        w->MonitorTick();
        return view.Loader().Cache().Find(first) != nullptr;
    }));
    EXPECT_EQ(view.Loader().Cache().Find(first)->size(), QSize(128, 96));
    EXPECT_FALSE(view.Loader().Requested(last)) << "a row out of view is not fetched";

    // The user's word: the ad is content, the big picture is not; 50x40 is below 100x100.
    view.GridItem(row("ad.jpg"))->setSelected(true);
    // A selected tile stands on the highlight, its caption drawn over it.
    view.Grid()->scrollToItem(view.GridItem(row("ad.jpg")));
    const QRect tile = view.Grid()->visualItemRect(view.GridItem(row("ad.jpg")));
    const QImage shot = view.Grid()->viewport()->grab().toImage();
    const QColor highlight = view.Grid()->palette().color(QPalette::Highlight);
    EXPECT_EQ(shot.pixelColor(tile.topLeft() + QPoint(1, 1)).rgb(), highlight.rgb());
    int captionPixels = 0;
    for (int y = tile.bottom() - 3 * view.Grid()->fontMetrics().height(); y < tile.bottom(); ++y)
        for (int x = tile.left(); x < tile.right(); ++x)
            captionPixels += shot.pixelColor(x, y).rgb() != highlight.rgb();
    EXPECT_GT(captionPixels, 20) << "the caption is drawn";
    view.Grid()->scrollToTop();
    platform.menuChoices = {ControlId::MarkContent}; // the grid's pop-up menu
    w->OnContextMenu(view.Grid()->mapToGlobal(view.Grid()->rect().center()));
    view.Grid()->clearSelection();
    view.GridItem(row("big.jpg"))->setSelected(true);
    w->OnCommand(ControlId::MarkNotContent);
    EXPECT_EQ(Rows(*w)[row("ad.jpg")], "5|ad.jpg|JPEG|/ad.jpg|" + host +
                                           "|content (marked)|400x300|" +
                                           std::to_string(big.size() / 1024) + " KB");
    w->OnCommand(ControlId::DownloadAllJpegs);
    std::vector<std::string> queued;
    for (int32_t i = 0; i < w->Downloads().downloadCount; ++i)
        queued.push_back(w->Downloads().downloads[i].name);
    std::sort(queued.begin(), queued.end());
    EXPECT_EQ(queued, (std::vector<std::string>{"ad.jpg", "gone.jpg"}))
        << "marked content, and a picture of unknown size";
    EXPECT_EQ(static_cast<QLabel*>(w->Control(ControlId::StatusLine))->text(),
              "1 picture smaller than 100 x 100 left out");
    QListWidget* grid = view.Grid();
    const QPoint cell = grid->visualItemRect(grid->item(0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell, 1000);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(w->Downloads().downloads[2].name, "big.jpg") << "a double-click in the grid queues";
    // The grid shows the pictures first, the link after them.
    EXPECT_EQ(grid->item(3), view.GridItem(row("ad.jpg")));
    EXPECT_EQ(grid->item(grid->count() - 1), view.GridItem(row("  ->notes.html")));
    GetUrl(*w, server.Address("/finds.html"));
    const std::string marked = "1|big.jpg|JPEG|/big.jpg|" + host + "|not content (marked)";
    EXPECT_EQ(Rows(*w)[row("big.jpg")].substr(0, marked.size()), marked)
        << "the marks hold when the page is read again";

    // A page whose article holds only pictures below the minimum says so.
    page = "<article><p>" + std::string(600, 'w') + "</p><img src=/small.jpg></article>";
    GetUrl(*w, server.Address("/finds.html"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->MonitorTick(), w->Monitor().LookUpsLeft() == 0; }));
    w->OnCommand(ControlId::DownloadAllJpegs);
    EXPECT_EQ(platform.messages.back(), "The picture of this page's article is smaller than "
                                        "100 x 100 pixels, the smallest the modern options take.");

    // The thumbnails held stay under their cap, the least recently shown going first.
    ThumbnailCache& cache = view.Loader().Cache();
    const QImage megabyte(512, 512, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < 80; ++i) {
        cache.Insert("m" + std::to_string(i), megabyte.copy());
        cache.Find("m0");
    }
    EXPECT_LE(cache.Bytes(), ThumbnailCache::capBytes);
    EXPECT_NE(cache.Find("m0"), nullptr) << "shown again and again";
    EXPECT_EQ(cache.Find("m1"), nullptr);
    EXPECT_NE(cache.Find("m79"), nullptr);
}

// The modern options choose the cookies and the User-Agent; each Get URL reads the cookies
// afresh, says so in the status line, and the page's downloads carry them.
TEST_F(WindowTest, ThePageBehindALogin) {
    std::mutex lock;
    std::vector<std::string> sent;
    Server server([&](Server::Connection& c) {
        const std::string& r = c.Request();
        const bool in = r.find("Cookie: session=good") != std::string::npos &&
                        r.find("User-Agent: Browser/1.0\r\n") != std::string::npos;
        {
            const std::lock_guard<std::mutex> hold(lock);
            sent.push_back(c.Path());
        }
        c.Send(!in ? Server::Response("<title>Sign in</title>")
               : c.Path() == "/photo.jpg"
                   ? Server::Response("photo", "200 OK", "Content-Type: image/jpeg\r\n")
                   : Server::Response("<img src=/photo.jpg>"));
    });
    struct Home { // the browsers' stores are looked for in the test's folder
        explicit Home(const std::string& path)
            : was(std::getenv("HOME") ? std::getenv("HOME") : ""),
              config(std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "") {
            ::setenv("HOME", path.c_str(), 1);
            ::unsetenv("XDG_CONFIG_HOME");
        }
        ~Home() {
            ::setenv("HOME", was.c_str(), 1);
            if (!config.empty())
                ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        }
        std::string was, config;
    } home(dir.Path());
    std::ofstream(dir.File("cookies.txt")) << "127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tgood\n";
    std::ofstream(dir.File("tk.modern"))
        << "cookies = file\ncookie-file = " << dir.File("cookies.txt")
        << "\nuser-agent = Browser/1.0\n";
    auto w = MakeConfirmedWindow(true);
    GetUrl(*w, server.Address("/members"));
    EXPECT_EQ(static_cast<QLabel*>(w->Control(ControlId::StatusLine))->text().toStdString(),
              "Cookies: 1 read from " + dir.File("cookies.txt") + ", 1 for this site");
    ASSERT_EQ(Rows(*w).size(), 1u);
    w->OnCommand(ControlId::DownloadAllJpegs);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        w->MonitorTick();
        return w->Downloads().AllFinal();
    }));
    EXPECT_EQ(ReadFile(w->Downloads().downloads[0].localPath), "photo");

    // The modern options keep the choice: Firefox's profile "work", listed as it is found,
    // Tarvik's own User-Agent; a cookies.txt comes from a file chooser.
    std::filesystem::create_directories(dir.File(".config/mozilla/firefox"));
    std::ofstream(dir.File(".config/mozilla/firefox/profiles.ini"))
        << "[Profile0]\nName=default\nPath=a\n[Profile1]\nName=work\nPath=b\n";
    auto box = [](QDialog& d, int id) {
        for (QComboBox* b : d.findChildren<QComboBox*>())
            if (b->property("controlId").toInt() == id)
                return b;
        return static_cast<QComboBox*>(nullptr);
    };
    ModernSettings chosen;
    CModernOptionsDialog options(w.get(), chosen, dir.File("tk.modern"), platform);
    QComboBox* where = box(options, CModernOptionsDialog::cookieWhereId);
    box(options, CModernOptionsDialog::cookieSourceId)->setCurrentIndex(1);
    box(options, CModernOptionsDialog::sendAsId)->setCurrentIndex(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return where->count() == 2; }));
    EXPECT_EQ(where->itemText(1).toStdString(), "work");
    where->setCurrentIndex(1);
    options.OnCommand(1);
    EXPECT_EQ(chosen.cookies + "|" + chosen.cookieProfile + "|" + chosen.cookieFile + "|" +
                  chosen.userAgent,
              "firefox|work||");
    platform.fileChoice = dir.File("other.txt");
    CModernOptionsDialog again(w.get(), chosen, dir.File("tk.modern"), platform);
    box(again, CModernOptionsDialog::cookieSourceId)->setCurrentIndex(5);
    again.OnCommand(1);
    EXPECT_EQ(chosen.cookies + "|" + chosen.cookieFile, "file|" + dir.File("other.txt"));
}
