#include "settings/SettingsFile.h"
#include "tests/support/CliRun.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/ResumableFile.h"
#include "tests/support/TempDir.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

using Server = LoopbackServer;

// A page at /a/b/page.html, reached through a redirect from /go, answered with `headers`.
struct ModernPage {
    explicit ModernPage(const std::string& html, const std::string& headers = "")
        : server(Server::Routes({{"/go", Server::Redirect("/a/b/page.html")},
                                 {"/a/b/page.html", Server::Answer(html, "200 OK", headers)}})) {}
    CliRun Run(std::vector<std::string> args) const {
        args.push_back(server.Address("/go"));
        return RunCli(args, dir.File("tk.opt"));
    }
    Server server;
    TempDir dir;
};

// `latin1` as a UTF-16LE page with its byte-order mark.
std::string Utf16(const std::string& latin1) {
    std::string page = "\xFF\xFE";
    for (const char c : latin1)
        page += std::string{c, '\0'};
    return page;
}

struct PageCase {
    std::string html;
    std::string expected; // the sorted lines of `links`, '|' for a tab, H for the test's server
    std::string headers = "";
};

} // namespace

TEST(ModernHarvest, PagesOfTodaysWeb) {
    const PageCase cases[] = {
        {"<body>\n<p>" + std::string(1536 * 1024, 'w') + "\n</p></BODY></html>\n<img src=end.jpg>",
         "end.jpg|JPEG|/a/b/end.jpg|H|HTTP"},
        {"<img src=\"/caf\xE9.jpg\">", "caf\xC3\xA9.jpg|JPEG|/caf%c3%a9.jpg|H|HTTP",
         "Content-Type: text/html; charset=ISO-8859-1\r\n"},
        // Read as browsers read them: one bad byte costs one character; labels iconv does not
        // know; iso-8859-1 as windows-1252, with 0x81 as itself.
        {"<img src=\"/\x93\xFA.jpg\"><img src=\"/\xFF\x82\xA0.jpg\">",
         "\xE6\x97\xA5.jpg|JPEG|/%e6%97%a5.jpg|H|HTTP\n"
         "\xEF\xBF\xBD\xE3\x81\x82.jpg|JPEG|/%ef%bf%bd%e3%81%82.jpg|H|HTTP",
         "Content-Type: text/html; charset=x-sjis\r\n"},
        {"<meta charset=ks_c_5601-1987><img src=\"/\xC7\xD1.jpg\">",
         "\xED\x95\x9C.jpg|JPEG|/%ed%95%9c.jpg|H|HTTP"},
        {"<img src=\"/\x93q\x94\x80\x81.jpg\">",
         "\xE2\x80\x9Cq\xE2\x80\x9D\xE2\x82\xAC_.jpg|JPEG|/"
         "%e2%80%9cq%e2%80%9d%e2%82%ac%c2%81.jpg|H|HTTP",
         "Content-Type: text/html; charset=iso-8859-1\r\n"},
        {Utf16("<title>T</title><img src=\"/\xFC.jpg\">"), "\xC3\xBC.jpg|JPEG|/%c3%bc.jpg|H|HTTP"},
        // A meta element cannot declare a 16-bit set, nor one browsers do not know.
        {"<meta charset=\"utf-16\"><img src=a.jpg>", "a.jpg|JPEG|/a/b/a.jpg|H|HTTP"},
        {"<meta charset=utf-7><img src=\"/+AGE-.jpg\">", "+AGE-.jpg|JPEG|/+AGE-.jpg|H|HTTP"},
        // One host, however it is spelled.
        {"<img src=//LOCALHOST./x.jpg><img src=//localhost/x.jpg>",
         "x.jpg|JPEG|/x.jpg|localhost|HTTP"},
        {"<img src=//B\xC3\xBC"
         "cher.Example/y.jpg>",
         "y.jpg|JPEG|/y.jpg|xn--bcher-kva.example|HTTP"},
    };
    // The pages of tests/pages/today name their rows in their first comment; the answer's own
    // character set and a page too large for a file are made here.
    std::vector<PageCase> all(std::begin(cases), std::end(cases));
    for (const auto& file : std::filesystem::directory_iterator(TARVIK_TEST_PAGES "/today")) {
        const std::string html = *ReadFile(file.path());
        const std::size_t rows = html.find("\nrows:\n") + 7;
        all.push_back({html, html.substr(rows, html.find("\n-->") - rows)});
    }
    EXPECT_EQ(all.size(), std::size(cases) + 14);
    for (const auto& [html, expected, headers] : all) {
        const ModernPage page(html, headers);
        const CliRun r = page.Run({"links", "--modern"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(SortedLines(FirstFields(r.out, 5)),
                  SortedLines(expected, page.server.Address("")))
            << html;
    }
}

TEST(ModernHarvest, TitleFiltersAndTheSwitch) {
    const ModernPage page("<title>Media &amp; Documents &#8211;\n  today</title><svg><title>i"
                          "</title></svg><img src=a.png><img src=b.jpg><video src=c.mp4>"
                          "<picture><source srcset='p.avif 1600w'><img src=p-small.jpg "
                          "srcset='p-mid.jpg 800w'></picture>");
    EXPECT_EQ(page.Run({"links", "--modern", "--title"}).out.substr(0, 34),
              "title\tMedia & Documents \xE2\x80\x93 today\n");
    // The buttons' selections: web video is a movie; every picture, wherever it stands.
    EXPECT_EQ(FirstFields(page.Run({"links", "--modern", "--movies"}).out, 1), "c.mp4\n");
    EXPECT_EQ(FirstFields(page.Run({"links", "--modern", "--all-pictures"}).out, 1),
              "a.png\nb.jpg\np.avif\n");
    Settings s = Settings::Defaults();
    s.modernRules = 1;
    s.harvestImage = 0;
    ASSERT_TRUE(SettingsFile(page.dir.File("tk.opt")).Save(s));
    const std::string host = page.server.Address("");
    EXPECT_EQ(SortedLines(FirstFields(page.Run({"links"}).out, 5)),
              SortedLines("b.jpg|JPEG|/a/b/b.jpg|H|HTTP\nc.mp4|VIDEO|/a/b/c.mp4|H|HTTP\n"
                          "p-mid.jpg|JPEG|/a/b/p-mid.jpg|H|HTTP",
                          host))
        << "the largest picture of a kind that is harvested stands for the picture";
    EXPECT_EQ(page.Run({"links", "--classic"}).out,
              "b.jpg\tJPEG\tgo/b.jpg\t" + host + "\tHTTP\np-small.jpg\tJPEG\tgo/p-small.jpg\t" +
                  host + "\tHTTP\n")
        << "the classic rules resolve against the address typed, and know no PNG or MP4";

    // A crowded page: its 10,100 links to pages give way to its pictures, and what is left out
    // is said.
    std::string crowded;
    for (int i = 0; i < 10100; ++i)
        crowded += "<a href=/page" + std::to_string(i) + ">";
    crowded += "<img src=/last.jpg>";
    const CliRun r = ModernPage(crowded).Run({"links", "--modern"});
    EXPECT_NE(r.out.find("last.jpg\tJPEG"), std::string::npos);
    EXPECT_EQ(SortedLines(r.out).size(), 10000u);
    EXPECT_NE(r.err.find(": 101 links left out: the File List holds 10,000\n"), std::string::npos)
        << r.err;
}

namespace {

// The rows of `links` that are pictures, as "NAME PLACE", sorted.
std::vector<std::string> Places(const std::string& out) {
    std::vector<std::string> rows;
    for (const std::string& line : SortedLines(out)) {
        const std::string place = FirstFields(line, 6).substr(FirstFields(line, 5).size());
        if (place.size() > 1) // "PLACE\n": the sixth field, a picture's place
            rows.push_back(line.substr(0, line.find('\t')) + " " +
                           place.substr(0, place.size() - 1));
    }
    return rows;
}

} // namespace

// Pages built the way today's sites build them: each picture is the page's own content or the
// furniture it belongs to, and --pictures takes exactly the content.
TEST(ModernHarvest, EveryPictureKnowsItsPlace) {
    for (const char* name : {"news-article", "blog-comments", "wiki", "gallery", "product-listing",
                             "blog-theme", "teasers-and-logos", "forum-thread", "shop-product",
                             "recipe-listing", "article-with-rail", "guide-in-steps",
                             "service-cards", "streamed-article", "forum-app-box"}) {
        SCOPED_TRACE(name);
        const std::string html = *ReadFile(std::string(TARVIK_TEST_PAGES) + "/" + name + ".html");
        const ModernPage page(html);
        // The page names its pictures' places in a comment of its own.
        std::vector<std::string> places, content;
        std::istringstream in(html.substr(html.find("places:\n") + 8));
        for (std::string row; std::getline(in, row) && row != "-->";) {
            places.push_back(row);
            if (row.size() > 8 && row.substr(row.size() - 8) == " content")
                content.push_back(row);
        }
        EXPECT_EQ(Places(page.Run({"links", "--modern"}).out), places);
        // and what kind of page it is, as `article --kind` says on its first line.
        const std::size_t kind = html.find("\nkind: ") + 7;
        const std::string said = page.Run({"article", "--kind"}).out;
        EXPECT_EQ(said.substr(0, said.find('\n')), html.substr(kind, html.find('\n', kind) - kind));
        EXPECT_EQ(Places(page.Run({"links", "--modern", "--pictures"}).out), content);
    }
}

// A gallery whose thumbnails lead to photo pages: --follow reads each page once, at most four
// at once, and takes exactly the full-size pictures; the thumbnails are no longer content.
TEST(ModernHarvest, FollowTakesTheFullSizePicturesBehindAGallery) {
    const std::string gallery = *ReadFile(TARVIK_TEST_PAGES "/photo-gallery.html");
    const std::string photo = *ReadFile(TARVIK_TEST_PAGES "/photo-page.html");
    std::atomic<int> reading{0}, most{0};
    std::mutex lock;
    std::map<std::string, int> asked;
    Server server([&](Server::Connection& c) {
        const std::string path = c.Path();
        {
            const std::lock_guard<std::mutex> hold(lock);
            ++asked[path];
        }
        if (path == "/gallery")
            return static_cast<void>(c.Send(Server::Response(gallery)));
        if (path.rfind("/photos/", 0) != 0)
            return static_cast<void>(
                c.Send(Server::Response("file " + path, "200 OK", "Content-Type: image/jpeg\r\n")));
        const int now = ++reading;
        for (int seen = most.load(); now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        --reading;
        if (path == "/photos/5.html")
            return static_cast<void>(c.Send(Server::Response("", "404 Not Found")));
        std::string page = photo;
        for (std::size_t at; (at = page.find('N')) != std::string::npos;)
            page[at] = path[8];
        if (path != "/photos/3.html")
            return static_cast<void>(c.Send(Server::Response(page)));
        // An endless body after the page: the read keeps what its buffer holds.
        for (c.Send("HTTP/1.0 200 OK\r\n\r\n" + page); c.Send(std::string(1 << 16, ' '));) {
        }
    });
    TempDir dir;
    const CliRun links =
        RunCli({"links", "--modern", "--follow", server.Address("/gallery")}, dir.File("tk.opt"));
    EXPECT_EQ(links.err, "Read 6 of 6 linked pages, 1 failed\n");
    // Each thumbnail gives way to the picture behind it; a failed page, and a page of another
    // server, leave theirs as they were.
    EXPECT_EQ(
        Places(links.out),
        SortedLines("1.jpg content\n1.jpg thumbnail\n2.jpg content\n2.jpg thumbnail\n3.jpg "
                    "content\n3.jpg thumbnail\n4.jpg content\n4.jpg thumbnail\n5.jpg content\n"
                    "6.jpg content\n6.jpg thumbnail\n7.jpg content\nlogo.png navigation\n"
                    "p.gif tracker"))
        << links.out;
    EXPECT_NE(links.out.find("1.jpg\tJPEG\t/full/1.jpg\t"), std::string::npos);
    EXPECT_NE(links.out.find("\thttp://" + server.Address("/photos/1.html") + "\n"),
              std::string::npos)
        << "a row behind a link names its page";
    EXPECT_EQ(most.load() > 1 && most.load() <= 4, true) << most.load();
    for (const char* page : {"/photos/1.html", "/photos/6.html", "/photos/5.html"})
        EXPECT_EQ(asked[page], 1) << page;
    EXPECT_EQ(asked.count("/galleries/boats") + asked.count("/about"), 0u) << "one level only";

    const CliRun download = RunCli({"download", "--modern", "--pictures", "--follow", "--flat",
                                    "--dir", dir.Path(), server.Address("/gallery")},
                                   dir.File("tk.opt"));
    EXPECT_EQ(SortedLines(download.out).size(), 7u) << download.out;
    EXPECT_EQ(ReadFile(dir.File("6.jpg")), "file /full/6.jpg");
    // A picture behind a link is named as the gallery's: its thumbnail's place, its title.
    RunCli({"download", "--pictures", "--follow", "--name", "*title*/*num* *name*.*ext*", "--dir",
            dir.File("named"), server.Address("/gallery")},
           dir.File("tk.opt"));
    EXPECT_EQ(ReadFile(dir.File("named/Harbour at dusk_ 6 photos/001 1.jpg")), "file /full/1.jpg")
        << "the content is numbered first: the logo takes no number before it";
}

// What a reader reads as the article, and nothing else: no headline, caption, share bar, author
// line, hidden or noscript text; a page without an article prints nothing; a page of furniture
// pictures says why --pictures takes none.
TEST(ModernHarvest, ArticleTextAndPagesWithoutContentPictures) {
    const ModernPage article(
        "<title>T</title><body><nav><a href=/>Home</a></nav><div class=story><h1>Storm</h1>"
        "<div class=byline>By Ann Lee</div><p>The storm reached the coast on Tuesday, with winds "
        "of more than 120 kilometres an hour.<br>Waves flooded the harbour, the market and the "
        "lower town.</p><figure><img src=a.jpg><figcaption>The harbour</figcaption></figure>"
        "<h2>What comes next</h2><div class=share-bar>Share this</div><p>Schools, offices and "
        "the ferry terminal stay closed until Friday, <span hidden>secret</span>while engineers "
        "inspect the sea wall, the bridges and the power lines.<noscript>Turn on scripts"
        "</noscript></p><ul><li>Ferries: none, until Friday, on every line.</li><li>Trains: as "
        "usual, with buses, on the coast line.</li></ul><p>Residents said the water rose within "
        "minutes, and that nothing held, not even the new wall, the boards or the pumps.</p>"
        "</div><aside><p>Most read: a story about something else entirely, and a long one."
        "</p></aside></body>");
    const CliRun r = article.Run({"article"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "The storm reached the coast on Tuesday, with winds of more than 120 kilometres an "
              "hour.\nWaves flooded the harbour, the market and the lower town.\n\nWhat comes "
              "next\n\nSchools, offices and the ferry terminal stay closed until Friday, while "
              "engineers inspect the sea wall, the bridges and the power lines.\n\nFerries: none, "
              "until Friday, on every line.\n\nTrains: as usual, with buses, on the coast line."
              "\n\nResidents said the water rose within minutes, and that nothing held, not even "
              "the new wall, the boards or the pumps.\n");
    const ModernPage gallery(*ReadFile(TARVIK_TEST_PAGES "/gallery.html"));
    EXPECT_EQ(gallery.Run({"article"}).out, "");
    // A thread drawn by scripts is read from its noscript copy: each post's message, without
    // the author, date, counts and signature that frame it, but for a short line that ends a
    // sentence.
    const ModernPage thread(*ReadFile(TARVIK_TEST_PAGES "/forum-thread.html"));
    const std::string posts = thread.Run({"article"}).out;
    EXPECT_EQ(posts.substr(0, posts.find(" sails")), "Our club");
    EXPECT_NE(posts.find("disagree\n\nThe harbour master"), std::string::npos);
    EXPECT_NE(posts.find("at the slip.\n\nWind from the west"), std::string::npos) << posts;
    EXPECT_NE(posts.find("whoever prints it.\n\nAgreed.\n"), std::string::npos);
    // A product's description and its reviews stand apart; both are what a buyer reads, and
    // so are a folded panel and what the page's main region says beside them.
    const std::string product =
        ModernPage(*ReadFile(TARVIK_TEST_PAGES "/shop-product.html")).Run({"article"}).out;
    for (const char* part :
         {"Woven by hand", "\n\nSturdy, light", "\n\nBrush the dust", "\n\nSent within two days."})
        EXPECT_NE(product.find(part), std::string::npos) << part;
    // A listing's items are read with the line their container puts first, when the page marks
    // no main region.
    const std::string dinners =
        ModernPage(*ReadFile(TARVIK_TEST_PAGES "/recipe-listing.html")).Run({"article"}).out;
    EXPECT_EQ(dinners.substr(0, dinners.find("\n\nDish")), "Twelve dinners for weeknights.");
    // A page of blocks apart from one another reads as all of them, unless it calls itself an
    // article; no block holds the pictures of a page without one, so they stay content.
    const std::string more =
        "<p>Crates are lent free for a week before the move, and taken back "
        "after it, so nothing is packed in a hurry, and nothing is lost or "
        "left behind on the day.</p><p>Pianos, safes and aquariums go with two more "
        "hands, at no extra cost.</p>";
    // Its main region, when it marks one and it holds enough to read, is read whole, the lead
    // line too, unless the page calls itself an article; a product's blocks, when it marks
    // none, with their container.
    const std::string declared = "<meta property=og:type content=article>";
    const std::string offer = "<script type=application/ld+json>{\"@type\":\"Product\"}</script>";
    // A dialog over the page, or one not opened, is no part of it; what the region folds away
    // is.
    const std::string leadLines = "<dialog><p>Sign up for our news.</p></dialog><div role=dialog>"
                                  "<p>We use cookies.</p></div><p>Since 1987.</p><p hidden>Open "
                                  "on Sundays.</p>";
    const std::string lead = "<main>" + leadLines;
    const std::string shown = "<p>Moving soon? Ask for a visit: we measure what goes, count the "
                              "boxes you need and give a price that holds on the day.</p>";
    std::string notice = "<noscript>";
    for (int i = 0; i < 17; ++i)
        notice += "<p>Turn on scripts to see this page.</p>";
    notice += "</noscript>";
    std::string services = "<ul>";
    for (const char* what :
         {"Homes", "Offices", "Studios", "Pianos", "Safes", "Aquariums", "Archives", "Workshops"})
        services += std::string("<li>") + what + " moved, packed and stored</li>";
    services += "</ul>";
    const struct {
        std::string head, before, first, after;
        // L the lead line, F the first block, S the second, N and D dialogs, H a folded line
        const char* read;
    } pages[] = {{"", "", "", "", "-FS---"},
                 {"", "", more, "", "-FS---"},
                 {declared, "", more, "", "-F----"},
                 {"", lead, more, "</main>", "LFS--H"},
                 {declared, lead, more, "</main>", "-F----"},
                 {"", lead + "</main>", more, "", "-FS---"},
                 {"", lead + services + "</main>", more, "", "L----H"},
                 {offer, "<div><span>Since 1987.</span></div>", more, "", "LFS---"},
                 // A page without a main element names its main content by id.
                 {"", "<div id=main-content>" + leadLines, more, "</div>", "LFS--H"},
                 // A wrapper that hides the whole page until its scripts run is shown.
                 {"", "<div style='display: none'>", more, "</div>", "-FS---"},
                 // It is shown beside a longer notice for readers without scripts, too.
                 {"", shown + notice + "<div style='display: none'>", more, "</div>", "-FS---"}};
    for (const auto& [head, before, first, after, read] : pages) {
        const ModernPage blocks(
            head + "<body>" + before +
            "<div><div><p>We move homes, offices and studios across the county, "
            "packing, carrying, storing and unpacking, with our own vans, crews and "
            "crates, on the day you choose.</p>" +
            first +
            "</div><ul><li><a href=/a>Prices</a><li><a href=/b>Areas</a></ul></div><div><div>"
            "<div><div><div><div><p>Every move is insured from the first box to the last one, "
            "and a broken item is repaired or paid for in full.</p></div></div></div></div></div>"
            "<a href=/vans><img src=/van.jpg></a></div>" +
            after + "</body>");
        const std::string text = blocks.Run({"article"}).out;
        const char* const marks[] = {"Since 1987.", "you choose.", "\n\nEvery move is insured",
                                     "news",        "cookies",     "Sundays."};
        std::string found = "------";
        for (int i = 0; i < 6; ++i)
            if (text.find(marks[i]) != std::string::npos)
                found[i] = "LFSNDH"[i];
        EXPECT_EQ(found, read) << text;
        if (first.empty() && before.empty()) {
            EXPECT_EQ(Places(blocks.Run({"links", "--modern"}).out),
                      std::vector<std::string>{"van.jpg content"});
        }
    }
    const ModernPage furniture("<nav><img src=/logo.png></nav><footer><img src=/f.png></footer>"
                               "<img src=/t.gif width=1 height=1>");
    for (const std::string flag : {"--json", "-q"}) {
        const CliRun d = furniture.Run(
            {"download", "--modern", "--pictures", flag, "--dir", furniture.dir.Path()});
        EXPECT_EQ(d.status, 0);
        EXPECT_EQ(d.err.substr(0, d.err.find('\n') + 1),
                  flag == "-q" ? ""
                               : "http://" + furniture.server.Address("/a/b/page.html") +
                                     ": no content pictures; 2 other pictures listed "
                                     "(--all-pictures takes them)\n");
    }
}

// Pages behind links: a page that drips is given up in time, a gallery whose thumbnails link to
// itself is not read again and keeps its pictures, and a linked file shows no thumbnail's size.
TEST(ModernHarvest, FollowEndsInTimeAndKeepsThePageItself) {
    std::atomic<int> selfAsked{0};
    const Server::Handler self =
        Server::Answer("<a href='/self#1'><img src=/s1.jpg></a><a href='#2'><img src=/s2.jpg></a>"
                       "<a href=/big.jpg><img src=/t.jpg width=200 height=150></a>");
    Server server(
        Server::Routes({{"/slow.htm", Server::Answer("<a href=/drip.html><img src=/d.jpg></a>")},
                        {"/drip.html", Server::Drip("HTTP/1.0 200 OK\r\n\r\n", 100, 2048, 200)},
                        {"/self", [&](Server::Connection& c) { ++selfAsked, self(c); }}}));
    TempDir dir;
    const auto started = std::chrono::steady_clock::now();
    const CliRun slow = RunCli({"links", "--follow", "--timeout", "1", server.Address("/slow.htm")},
                               dir.File("tk.opt"));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(slow.err, "Read 1 of 1 linked pages, 1 failed\n");
    const CliRun gallery =
        RunCli({"links", "--follow", "--pictures", server.Address("/self")}, dir.File("tk.opt"));
    EXPECT_EQ(Places(gallery.out), SortedLines("big.jpg content\ns1.jpg content\ns2.jpg content"));
    EXPECT_EQ(selfAsked.load(), 1);
    EXPECT_NE(
        gallery.out.find("big.jpg\tJPEG\t/big.jpg\t" + server.Address("") + "\tHTTP\tcontent\t\t"),
        std::string::npos)
        << "the linked file's size is not the thumbnail's";
}

// --probe adds what each picture's first bytes say; --min-size leaves out the small ones.
TEST(ModernHarvest, ProbedRowsAndTheSmallestPicture) {
    auto png = [](uint32_t w, uint32_t h) {
        std::string bytes("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
        for (const uint32_t v : {w, h})
            for (int shift = 24; shift >= 0; shift -= 8)
                bytes += static_cast<char>((v >> shift) & 0xFF);
        return bytes + std::string(100, '\0');
    };
    // A camera's photo whose frame header stands past its first 64 KiB, served by ranges.
    std::string photo = "\xFF\xD8\xFF\xE1" + std::string("\xFF\xFF", 2) + std::string(65533, 'e');
    photo += "\xFF\xC0" + std::string("\x00\x11\x08\x0B\xB8\x0F\xA0", 7) + std::string(12, '\0');
    const Server server(Server::Routes(
        {{"/p.html", Server::Answer("<article><p>" + std::string(600, 'w') +
                                    "</p><img src=big.png><img src=small.png width=500 "
                                    "height=500><img src=gone.jpg><img src=login.jpg>"
                                    "<img src=cam.jpg width=200 height=150><img src=odd.jpg "
                                    "width=50 height=50><img src=clip.gif></article>")},
         {"/cam.jpg", ResumableFile{.body = photo, .cuts = 0}.Handler()},
         {"/odd.jpg", Server::Answer("\xFF\xD8 no segments")},
         {"/clip.gif", Server::Answer(std::string("\0\0\0\x18"
                                                  "ftypisom\0\0\0\0isomavc1",
                                                  24))},
         {"/big.png", Server::Answer(png(1600, 900), "200 OK", "Content-Type: image/png\r\n")},
         {"/small.png", Server::Answer(png(50, 40))},
         {"/login.jpg", Server::Answer("<!DOCTYPE html><title>Sign in</title>")}}));
    const TempDir dir;
    const std::string page = "http://" + server.Address("/p.html");
    const CliRun probed = RunCli({"links", "--probe", page}, dir.File("tk.opt"));
    EXPECT_EQ(probed.status, 0) << probed.err;
    // Name, type, declared size, and the three fields the probe adds.
    std::vector<std::string> rows;
    std::istringstream lines(probed.out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line + "\t");
        for (std::string field; std::getline(fields, field, '\t');)
            f.push_back(field);
        rows.push_back(f.size() != 11 ? line
                                      : f[0] + "|" + f[1] + "|" + f[6] + "|" + f[8] + "|" + f[9] +
                                            "|" + f[10]);
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"big.png|IMAGE||1600x900|124|image/png",
                                              "cam.jpg|JPEG|200x150|4000x3000|65560|image/jpeg",
                                              "clip.gif|VIDEO|||24|video/mp4", "gone.jpg|JPEG||||",
                                              "  ->login.jpg|HTML Link|||37|text/html",
                                              "odd.jpg|JPEG|50x50||14|image/jpeg",
                                              "small.png|IMAGE|500x500|50x40|124|image/png"}));
    const CliRun large =
        RunCli({"links", "--pictures", "--min-size", "100x100", page}, dir.File("tk.opt"));
    EXPECT_EQ(FirstFields(large.out, 1), "big.png\ncam.jpg\ngone.jpg\nodd.jpg\n")
        << "the real size before the declared one; a picture of neither kept, nor one probed "
           "without a size found";
    EXPECT_EQ(large.err, page + ": 1 picture smaller than 100 x 100 left out\n");
    const CliRun json = RunCli({"links", "--probe", "--json", page}, dir.File("tk.opt"));
    EXPECT_NE(json.out.find("\"bytes\":null,\"mediaType\":\"\",\"name\":\"gone.jpg\""),
              std::string::npos)
        << json.out;
}
