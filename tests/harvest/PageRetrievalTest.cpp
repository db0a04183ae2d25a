#include "harvest/InternetSession.h"
#include "harvest/PageAddress.h"
#include "harvest/PageText.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

namespace {

std::string PageOf(const PageText& page) {
    return {page.Text(), static_cast<std::size_t>(page.Length())};
}

struct BodyCase {
    const char* what;
    std::string body;
    std::string expected;
};

class PageBody : public ::testing::TestWithParam<BodyCase> {};

} // namespace

TEST_P(PageBody, IsReadAsOneLineWithoutLineBreaksOrNuls) {
    LoopbackServer server(LoopbackServer::Serve(LoopbackServer::Response(GetParam().body)));
    InternetSession session;
    PageText page;
    ASSERT_TRUE(session.FetchPage("http://" + server.Address("/p.htm"), page));
    EXPECT_EQ(PageOf(page), GetParam().expected);
    EXPECT_EQ(page.Text()[page.Length()], '\0');
}

INSTANTIATE_TEST_SUITE_P(
    PageRetrieval, PageBody,
    ::testing::Values(BodyCase{"CRLF lines", "<a\r\nhref=x>\r\nb\r\n", "<ahref=x>b"},
                      BodyCase{"LF lines", "one\ntwo\nthree\n", "onetwothree"},
                      BodyCase{"no final line feed", "one\ntwo", "onetwo"},
                      BodyCase{"no line feed at all", "<img src=a.jpg>", "<img src=a.jpg>"},
                      BodyCase{"lone CR inside a line", "a\rb\n", "ab"},
                      BodyCase{"NUL bytes", std::string("a\0b\0\0c", 6), "abc"},
                      BodyCase{"empty body", "", ""}));

TEST(PageRetrieval, ErrorStatusIsReadAsThePage) {
    LoopbackServer server(LoopbackServer::Serve(
        LoopbackServer::Response("<title>Not here</title>", "404 Not Found")));
    InternetSession session;
    PageText page;
    ASSERT_TRUE(session.FetchPage("http://" + server.Address("/missing"), page));
    EXPECT_EQ(PageOf(page), "<title>Not here</title>");
}

TEST(PageRetrieval, BodyOverTheBufferIsCutAtItsLastCharacter) {
    std::string body(PageText::capacity + PageText::capacity / 50, 'x');
    for (std::size_t i = 100; i < body.size(); i += 100)
        body[i] = '\n';
    LoopbackServer server(LoopbackServer::Serve(LoopbackServer::Response(body)));
    InternetSession session;
    PageText page;
    ASSERT_TRUE(session.FetchPage("http://" + server.Address(), page));
    EXPECT_EQ(static_cast<std::size_t>(page.Length()), PageText::maxLength);
    EXPECT_EQ(page.Text()[PageText::maxLength], '\0');
    EXPECT_TRUE(PageOf(page) == std::string(PageText::maxLength, 'x'));
}

TEST(PageRetrieval, SendsTheUserAgentAndFollowsRedirects) {
    LoopbackServer target(LoopbackServer::Serve(LoopbackServer::Response("arrived")));
    LoopbackServer first(LoopbackServer::Serve(LoopbackServer::Response(
        "", "302 Found", "Location: http://" + target.Address("/final.htm") + "\r\n")));
    InternetSession session;
    PageText page;
    ASSERT_TRUE(session.FetchPage("http://" + first.Address("/start"), page));
    EXPECT_EQ(PageOf(page), "arrived");
    ASSERT_EQ(first.Requests().size(), 1u);
    EXPECT_NE(first.Requests()[0].find("User-Agent: Tarvik\r\n"), std::string::npos);
    EXPECT_EQ(target.Requests()[0].rfind("GET /final.htm ", 0), 0u);
}

TEST(PageRetrieval, BlanksInTheAddressAreEscapedInTheRequest) {
    LoopbackServer server(LoopbackServer::Serve(LoopbackServer::Response("ok")));
    InternetSession session;
    PageText page;
    ASSERT_TRUE(session.FetchPage("http://" + server.Address("/my page\x01\xC3\xA9.htm"), page));
    EXPECT_EQ(server.Requests()[0].rfind("GET /my%20page%01%C3%A9.htm ", 0), 0u);
}

TEST(PageRetrieval, UnreachableAddressFails) {
    // A port that was just open and is now closed refuses the connection.
    uint16_t port;
    {
        LoopbackServer gone(LoopbackServer::Serve(""));
        port = gone.Port();
    }
    InternetSession session;
    PageText page;
    EXPECT_FALSE(session.FetchPage("http://127.0.0.1:" + std::to_string(port) + "/", page));
    EXPECT_FALSE(session.FetchPage("http://", page));
}

TEST(PageRetrieval, ServerThatNeverAnswersIsGivenUpOn) {
    LoopbackServer server([](LoopbackServer::Connection& c) { c.Stall(); });
    InternetSession session;
    session.SetTimeouts(std::chrono::milliseconds(1000), std::chrono::milliseconds(1000));
    PageText page;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(session.FetchPage("http://" + server.Address(), page));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(PageRetrieval, BodyThatStallsHalfWayFails) {
    LoopbackServer server([](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n<title>half");
        c.Stall();
    });
    InternetSession session;
    session.SetTimeouts(std::chrono::milliseconds(1000), std::chrono::milliseconds(1000));
    PageText page;
    EXPECT_FALSE(session.FetchPage("http://" + server.Address(), page));
}

struct AddressCase {
    const char* typed;
    const char* normalised;
};

class Normalise : public ::testing::TestWithParam<AddressCase> {};

TEST_P(Normalise, PrefixesHttpUnlessPresent) {
    EXPECT_EQ(NormaliseAddress(GetParam().typed), GetParam().normalised);
}

INSTANTIATE_TEST_SUITE_P(
    PageRetrieval, Normalise,
    ::testing::Values(AddressCase{"www.site.org/a/b.htm", "http://www.site.org/a/b.htm"},
                      AddressCase{"HTTP://Site.org", "HTTP://Site.org"},
                      AddressCase{"Http://site.org", "Http://site.org"},
                      AddressCase{"https://site.org/x", "https://site.org/x"},
                      AddressCase{"HTTPS://site.org/x", "HTTPS://site.org/x"},
                      AddressCase{"ftp://site.org/pub", "http://ftp://site.org/pub"},
                      AddressCase{"http:/site.org", "http://http:/site.org"},
                      AddressCase{" http://site.org", "http:// http://site.org"},
                      AddressCase{"", "http://"}));
