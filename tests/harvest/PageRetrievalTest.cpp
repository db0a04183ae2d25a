#include "harvest/InternetSession.h"
#include "harvest/PageAddress.h"
#include "harvest/PageText.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

namespace {

using Connection = LoopbackServer::Connection;

std::string PageOf(const PageText& page) {
    return {page.Text(), static_cast<std::size_t>(page.Length())};
}

// Sends `piece` until the client hangs up (or the server stops).
LoopbackServer::Handler Endless(std::string piece) {
    return [piece](Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\n\r\n");
        std::string chunk;
        while (chunk.size() < 65536)
            chunk += piece;
        while (c.Send(chunk)) {
        }
    };
}

struct FetchCase {
    const char* what;
    LoopbackServer::Handler serve;
    bool opened;
    std::string page; // when opened
};

class Fetch : public ::testing::TestWithParam<FetchCase> {};

} // namespace

TEST_P(Fetch, ReadsThePageAsOneLineOrGivesUp) {
    LoopbackServer server(GetParam().serve);
    InternetSession session;
    session.SetTimeouts(std::chrono::milliseconds(1000), std::chrono::milliseconds(1000));
    PageText page;
    EXPECT_EQ(session.FetchPage("http://" + server.Address("/p.htm"), page), GetParam().opened);
    if (GetParam().opened) {
        EXPECT_TRUE(PageOf(page) == GetParam().page) << PageOf(page).substr(0, 100);
        EXPECT_EQ(page.Text()[page.Length()], '\0');
    }
}

INSTANTIATE_TEST_SUITE_P(
    PageRetrieval, Fetch,
    ::testing::Values(
        FetchCase{"CRLF lines", LoopbackServer::Serve(LoopbackServer::Response("<a\r\nhref=x>\r\nb\r\n")),
                  true, "<ahref=x>b"},
        FetchCase{"lone CR and no final line feed",
                  LoopbackServer::Serve(LoopbackServer::Response("one\ntw\ro")), true, "onetwo"},
        FetchCase{"NUL bytes",
                  LoopbackServer::Serve(LoopbackServer::Response(std::string("a\0b\0\0c", 6))), true,
                  "abc"},
        FetchCase{"an error page is the page",
                  LoopbackServer::Serve(LoopbackServer::Response("<title>No</title>", "404 Not Found")),
                  true, "<title>No</title>"},
        FetchCase{"cut at the buffer's last character",
                  LoopbackServer::Serve(LoopbackServer::Response(
                      std::string(PageText::capacity + 5000, 'x'))),
                  true, std::string(PageText::maxLength, 'x')},
        // Bytes the page text drops still count toward the read limit.
        FetchCase{"endless line breaks", Endless("\r\n"), true, ""},
        FetchCase{"endless NUL bytes", Endless(std::string(1, '\0')), true, ""},
        FetchCase{"never answers", [](Connection& c) { c.Stall(); }, false, ""},
        FetchCase{"stalls half-way",
                  [](Connection& c) {
                      c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n<title>half");
                      c.Stall();
                  },
                  false, ""},
        FetchCase{"drips below 1024 bytes a window",
                  [](Connection& c) {
                      c.Send("HTTP/1.0 200 OK\r\n\r\n");
                      for (int i = 0; i < 40 && c.Send("\n"); ++i)
                          std::this_thread::sleep_for(std::chrono::milliseconds(100));
                  },
                  false, ""}),
    [](const ::testing::TestParamInfo<FetchCase>& info) {
        std::string name;
        for (const char* p = info.param.what; *p != '\0'; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST(PageRetrieval, AgentRedirectsEscapingAndRefusal) {
    LoopbackServer target(LoopbackServer::Serve(LoopbackServer::Response("arrived")));
    LoopbackServer first(LoopbackServer::Serve(LoopbackServer::Response(
        "", "302 Found", "Location: http://" + target.Address("/final.htm") + "\r\n")));
    InternetSession session;
    PageText page;
    ASSERT_TRUE(session.FetchPage("http://" + first.Address("/my page\x01\xC3\xA9.htm"), page));
    EXPECT_EQ(PageOf(page), "arrived");
    EXPECT_EQ(first.Requests()[0].rfind("GET /my%20page%01%C3%A9.htm ", 0), 0u);
    EXPECT_NE(first.Requests()[0].find("User-Agent: Tarvik\r\n"), std::string::npos);
    EXPECT_EQ(target.Requests()[0].rfind("GET /final.htm ", 0), 0u);

    EXPECT_FALSE(session.FetchPage("http://127.0.0.1:1/", page));
    EXPECT_FALSE(session.FetchPage("http://", page));
}

TEST(PageRetrieval, NormalisedAddresses) {
    const std::pair<const char*, const char*> cases[] = {
        {"www.site.org/a/b.htm", "http://www.site.org/a/b.htm"},
        {"HTTP://Site.org", "HTTP://Site.org"},
        {"https://site.org/x", "https://site.org/x"},
        {"HTTPS://site.org/x", "HTTPS://site.org/x"},
        {"ftp://site.org/pub", "http://ftp://site.org/pub"},
        {"http:/site.org", "http://http:/site.org"},
        {" http://site.org", "http:// http://site.org"},
        {"", "http://"}};
    for (const auto& [typed, normalised] : cases)
        EXPECT_EQ(NormaliseAddress(typed), normalised) << typed;
}
