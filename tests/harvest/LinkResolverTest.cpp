#include "harvest/LinkResolver.h"

#include <gtest/gtest.h>

namespace {

struct ResolveCase {
    const char* page;
    const char* link;
    const char* server;
    const char* path;
    int32_t service;
};

class Resolve : public ::testing::TestWithParam<ResolveCase> {};

} // namespace

TEST_P(Resolve, GivesServerPathAndService) {
    const ResolveCase& c = GetParam();
    const ResolvedLink r = ResolveLink(c.page, c.link);
    EXPECT_EQ(r.server, c.server) << c.page << " + " << c.link;
    EXPECT_EQ(r.path, c.path) << c.page << " + " << c.link;
    EXPECT_EQ(r.service, c.service) << c.page << " + " << c.link;
}

INSTANTIATE_TEST_SUITE_P(
    LinkResolver, Resolve,
    ::testing::Values(
        ResolveCase{"http://P/x.htm", "http://S/d/a.jpg", "S", "/d/a.jpg", 0},
        ResolveCase{"http://P/x.htm", "HTTP://Srv/A.JPG", "Srv", "/A.JPG", 0},
        ResolveCase{"http://P/x.htm", "//S/a.gif", "S", "/a.gif", 0},
        ResolveCase{"http://P/x.htm", "ftp://S/pub/x.zip", "S", "/pub/x.zip", 1},
        ResolveCase{"http://S/d/page.htm", "a.jpg", "S", "d/a.jpg", 0},
        ResolveCase{"http://S/d/page.htm", "/i/a.gif", "S", "d/i/a.gif", 0},
        ResolveCase{"http://S/d/", "a.jpg", "S", "d//a.jpg", 0},
        ResolveCase{"http://S", "a.jpg", "S", "/a.jpg", 0},
        ResolveCase{"http://S/cgi/show.php?id=1", "a.jpg", "S", "cgi/show.php?id=1/a.jpg", 0},
        ResolveCase{"http://S/page.htm", "a.jpg", "S", "/a.jpg", 0},
        ResolveCase{"http://S:8080/d/p.html", "../up.gif", "S:8080", "d/../up.gif", 0},
        ResolveCase{"http://S/d/page.htm", "", "S", "d", 0},
        ResolveCase{"http://S/d/page.htm", "mailto:me@x.jpg", "S", "d/mailto:me@x.jpg", 0},
        ResolveCase{"http://S/a/b.htm", "http:/T/c.jpg", "T", "/c.jpg", 0},
        ResolveCase{"http://S/a/b.htm", "http://", "", "", 0},
        // https pages and links
        ResolveCase{"http://P/x.htm", "https://S/a.jpg", "S", "/a.jpg", 2},
        ResolveCase{"http://P/x.htm", "HTTPS:/S/a.jpg", "S", "/a.jpg", 2},
        ResolveCase{"https://S/d/page.htm", "a.jpg", "S", "d/a.jpg", 2},
        ResolveCase{"HTTPS://S/d/", "//T/a.jpg", "T", "/a.jpg", 2},
        ResolveCase{"https://S/d/", "http://T/a.jpg", "T", "/a.jpg", 0},
        ResolveCase{"https://S/d/", "ftp://T/a.zip", "T", "/a.zip", 1}));
