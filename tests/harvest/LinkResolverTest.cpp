#include "harvest/LinkResolver.h"

#include <gtest/gtest.h>

TEST(LinkResolver, GivesServerPathAndService) {
    const std::tuple<const char*, const char*, const char*, const char*, int32_t> cases[] = {
        {"http://P/x.htm", "http://S/d/a.jpg", "S", "/d/a.jpg", 0},
        {"http://P/x.htm", "HTTP://Srv/A.JPG", "Srv", "/A.JPG", 0},
        {"http://P/x.htm", "//S/a.gif", "S", "/a.gif", 0},
        {"http://P/x.htm", "ftp://S/pub/x.zip", "S", "/pub/x.zip", 1},
        {"http://S/d/page.htm", "a.jpg", "S", "d/a.jpg", 0},
        {"http://S/d/page.htm", "/i/a.gif", "S", "d/i/a.gif", 0},
        {"http://S/d/", "a.jpg", "S", "d//a.jpg", 0},
        {"http://S", "a.jpg", "S", "/a.jpg", 0},
        {"http://S/cgi/show.php?id=1", "a.jpg", "S", "cgi/show.php?id=1/a.jpg", 0},
        {"http://S/page.htm", "a.jpg", "S", "/a.jpg", 0},
        {"http://S:8080/d/p.html", "../up.gif", "S:8080", "d/../up.gif", 0},
        {"http://S/d/page.htm", "", "S", "d", 0},
        {"http://S/d/page.htm", "mailto:me@x.jpg", "S", "d/mailto:me@x.jpg", 0},
        {"http://S/a/b.htm", "http:/T/c.jpg", "T", "/c.jpg", 0},
        {"http://S/a/b.htm", "http://", "", "", 0},
        {"http://P/x.htm", "https://S/a.jpg", "S", "/a.jpg", 2},
        {"http://P/x.htm", "HTTPS:/S/a.jpg", "S", "/a.jpg", 2},
        {"https://S/d/page.htm", "a.jpg", "S", "d/a.jpg", 2},
        {"HTTPS://S/d/", "//T/a.jpg", "T", "/a.jpg", 2},
        {"https://S/d/", "http://T/a.jpg", "T", "/a.jpg", 0},
        {"https://S/d/", "ftp://T/a.zip", "T", "/a.zip", 1}};
    for (const auto& [page, link, server, path, service] : cases) {
        const ResolvedLink r = ResolveLink(page, link);
        EXPECT_EQ(r.server, server) << page << " + " << link;
        EXPECT_EQ(r.path, path) << page << " + " << link;
        EXPECT_EQ(r.service, service) << page << " + " << link;
    }
}
