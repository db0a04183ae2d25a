#include "app/CRetrievingDialog.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/LoopbackServer.h"

#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <QTimer>

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
