#include "harvest/PageAddress.h"
#include "harvest/PageText.h"
#include "net/InternetSession.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

namespace {

using Server = LoopbackServer;

std::string PageOf(const PageText& page) {
    return {page.Text(), static_cast<std::size_t>(page.Length())};
}

// Sends `piece` until the client hangs up (or the server stops).
Server::Handler Endless(std::string piece) {
    return [piece](Server::Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\n\r\n");
        std::string chunk;
        while (chunk.size() < 65536)
            chunk += piece;
        while (c.Send(chunk)) {
        }
    };
}

const std::string head = "HTTP/1.0 200 OK\r\n\r\n";

} // namespace

TEST(PageRetrieval, ReadsThePageAsOneLineOrGivesUp) {
    const std::tuple<const char*, Server::Handler, bool, std::string> cases[] = {
        {"CRLF lines", Server::Answer("<a\r\nhref=x>\r\nb\r\n"), true, "<ahref=x>b"},
        {"lone CR, no final line feed", Server::Answer("one\ntw\ro"), true, "onetwo"},
        {"NUL bytes", Server::Answer(std::string("a\0b\0\0c", 6)), true, "abc"},
        {"an error page", Server::Answer("<title>No</title>", "404 No"), true, "<title>No</title>"},
        {"longer than the buffer", Server::Answer(std::string(PageText::capacity + 5000, 'x')),
         true, std::string(PageText::maxLength, 'x')},
        // Bytes the page text drops still count toward the read limit.
        {"endless line breaks", Endless("\r\n"), true, ""},
        {"endless NUL bytes", Endless(std::string(1, '\0')), true, ""},
        {"never answers", Server::ThenStall(""), false, ""},
        {"stalls half-way", Server::ThenStall("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\n<t"),
         false, ""},
        {"drips below 1024 bytes a window", Server::Drip(head, 40, 1, 100), false, ""}};
    for (const auto& [what, serve, opened, expected] : cases) {
        Server server(serve);
        InternetSession session;
        session.SetTimeouts(std::chrono::milliseconds(1000), std::chrono::milliseconds(1000));
        PageText page;
        EXPECT_EQ(session.FetchPage("http://" + server.Address("/p.htm"), page), opened) << what;
        if (opened) {
            EXPECT_TRUE(PageOf(page) == expected) << what << ": " << PageOf(page).substr(0, 100);
        }
        EXPECT_EQ(page.Text()[page.Length()], '\0');
    }
}

TEST(PageRetrieval, AgentRedirectsEscapingAndRefusal) {
    Server target(Server::Answer("arrived"));
    Server first(Server::Redirect("http://" + target.Address("/final.htm")));
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
