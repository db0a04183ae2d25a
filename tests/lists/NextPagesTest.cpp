#include "harvest/ModernHarvest.h"
#include "settings/Settings.h"
#include "tests/support/CliRun.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <map>
#include <mutex>

namespace {

using Server = LoopbackServer;

struct NextCase {
    std::string page;  // the page's address after http://h
    std::string links; // its mark-up
    std::string next;  // the next page found, after http://h; "" none
};

} // namespace

// rel="next" first, then a link that says "next", then a numbered sequence's N+1; never the
// page itself or another server.
TEST(NextPages, WhichPageIsNext) {
    const NextCase cases[] = {
        {"/g", "<a href=/g?page=2>2</a><link rel='prefetch NEXT' href=/later>", "/later"},
        {"/g", "<a href=/a rel=next>x</a><a href=/b>Next</a>", "/a"},
        {"/g", "<a href=/g?page=2>2</a><a href=/b> Older\n Posts </a>", "/b"},
        {"/g",
         "<a href=/b>N\xC3\x84"
         "CHSTE SEITE</a>",
         "/b"},
        {"/g", "<a href=/b>\xD0\x94\xD0\xB0\xD0\xBB\xD0\xB5\xD0\xB5</a>", "/b"},
        {"/g", "<a href=/b aria-label=Next><svg></svg></a>", "/b"},
        {"/g", "<a href=http://other/b>next</a><a href=/g>next</a><a href=/g#top>next</a>", ""},
        {"/g", "<a href=/next-steps>Next steps</a><a href=/g?page=3>3</a>", ""},
        {"/g?page=2&s=a", "<a href=/g?s=a>1</a><a href=/g?page=3&s=a>3</a>", "/g?page=3&s=a"},
        {"/g?x=1", "<a href=/g?x=1&p=2>2</a>", "/g?x=1&p=2"},
        {"/blog/", "<a href=/blog/page/3/>3</a><a href=/blog/page/2/>2</a>", "/blog/page/2/"},
        {"/blog/page/9", "<a href=/blog/page/10>10</a>", "/blog/page/10"},
        {"/album/7/", "<a href=/album/6/>6</a><a href=/album/8/>8</a>", "/album/8/"},
        {"/shots-p4.html", "<a href=/shots-p5.html>5</a>", "/shots-p5.html"},
        {"/shots.html", "<a href=/shots-p2.html>2</a>", "/shots-p2.html"},
        {"/g?page=2", "<a href=/g?page=1>1</a><a href=/h?page=3>3</a>", ""},
    };
    for (const NextCase& c : cases) {
        LinkTable table;
        const Settings settings;
        ModernHarvest(table, settings).Scan(c.links, "http://h" + c.page, {});
        EXPECT_EQ(table.nextPage, c.next.empty() ? "" : "http://h" + c.next) << c.links;
    }
}

// A gallery of three pages (rel="next", then "Next ›", then ?page=3, which links back to the
// first) with photo pages behind its thumbnails: each page is read once, and every full-size
// picture is taken, numbered in the gallery's order.
TEST(NextPages, AGalleryAcrossItsPages) {
    const auto gallery = [](int first, int count, const std::string& more) {
        std::string page =
            "<title>Boats</title><body><header><a href=/><img src=/logo.png width=180 "
            "height=40></a></header><div class=grid>";
        for (int i = first; i < first + count; ++i)
            page += "<a href=/photo/" + std::to_string(i) + "><img src=/t/" + std::to_string(i) +
                    ".jpg width=200 height=150></a>";
        return page + "</div>" + more;
    };
    std::mutex lock;
    std::map<std::string, int> asked;
    Server server([&](Server::Connection& c) {
        const std::string path = c.Path();
        {
            const std::lock_guard<std::mutex> hold(lock);
            ++asked[path];
        }
        const std::map<std::string, std::string> pages = {
            {"/boats", gallery(1, 2, "<link rel=next href=/boats/2>")},
            {"/boats/2", gallery(3, 2, "<a href=/boats>1</a><a href='/list?page=3'>Next ›</a>")},
            {"/list?page=3", gallery(5, 1, "<a href=/boats>Next</a><a href=/list?page=3>4</a>")},
        };
        if (const auto p = pages.find(path); p != pages.end())
            return static_cast<void>(c.Send(Server::Response(p->second)));
        if (path.rfind("/photo/", 0) == 0)
            return static_cast<void>(c.Send(Server::Response(
                "<main><img src=/full/" + path.substr(7) + ".jpg width=1600 height=1200></main>")));
        c.Send(Server::Response("file " + path, "200 OK", "Content-Type: image/jpeg\r\n"));
    });
    TempDir dir;
    const CliRun links = RunCli(
        {"links", "--next-pages", "5", "--pictures", server.Address("/boats")}, dir.File("tk.opt"));
    EXPECT_EQ(links.status, 0) << links.err;
    EXPECT_EQ(links.err, "http://" + server.Address("/boats") + ": Read 2 next pages\n");
    // Each page's rows after the page before it; the logo of every page listed once.
    EXPECT_LT(links.out.find("2.jpg"), links.out.find("3.jpg"));
    EXPECT_LT(links.out.find("4.jpg"), links.out.find("5.jpg"));
    EXPECT_EQ(links.out.find("logo.png\tIMAGE"), links.out.rfind("logo.png\tIMAGE"));

    const CliRun download =
        RunCli({"download", "--next-pages", "5", "--follow", "--pictures", "--name",
                "*title*/*num*.*ext*", "-d", dir.Path(), server.Address("/boats")},
               dir.File("tk.opt"));
    EXPECT_EQ(download.status, 0) << download.err;
    EXPECT_NE(download.err.find("; 3 pages read\n"), std::string::npos) << download.err;
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(ReadFile(dir.File("Boats/00" + std::to_string(i) + ".jpg")),
                  "file /full/" + std::to_string(i) + ".jpg");
    for (const char* page : {"/boats", "/boats/2", "/list?page=3", "/photo/5"})
        EXPECT_EQ(asked[page], page[1] == 'p' ? 1 : 2) << page << ": once a run";
}
