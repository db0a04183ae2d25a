#pragma once
// The one internet session of a run: the user agent and the time limits that page retrieval and
// every download share, and the handles that page retrieval keeps between pages.

#include "net/CurlHandles.h"
#include "net/PageSink.h"
#include "net/Transfer.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

class InternetSession {
public:
    using Milliseconds = std::chrono::milliseconds;
    // A page body is read no further than this, kept or not: an endless stream of bytes that
    // the page text drops (line breaks, NULs) must not hold the fetch for ever.
    static constexpr uint64_t pageReadLimit = 16u << 20;

    explicit InternetSession(std::string userAgent = "Tarvik");
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;

    // How long a transfer may take to connect, and how long it may run receiving fewer than
    // 1,024 bytes, before it gives up. Both 30 s unless changed (tests shorten them).
    void SetTimeouts(Milliseconds connect, Milliseconds stall);
    const Transfer::Limits& Limits() const { return limits; }
    const std::string& UserAgent() const { return userAgent; }
    // Some sites bind their cookies to the browser's User-Agent.
    void SetUserAgent(std::string agent) { userAgent = std::move(agent); }
    // The cookies the next page fetch may carry (null: none, the cookie engine off): read as a
    // navigation the user typed, each hop carries its own site's. After the fetch, those and
    // what the page's answers set: the page's cookies.
    void SetCookies(std::shared_ptr<const CookieJar> jar) { cookies = std::move(jar); }
    const std::shared_ptr<const CookieJar>& Cookies() const { return cookies; }

    // Fetches `address` into `page`, following redirects. Any response that arrives, an error
    // page included, is the page; a body longer than the page can hold is cut. False when the
    // address cannot be opened or the transfer breaks off; `page` then holds no meaning.
    bool FetchPage(const std::string& address, PageSink& page);
    // Why the last fetch could not open its page ("no such server", "refused", "timed out",
    // "TLS error"...); empty when it could.
    const std::string& LastFailure() const { return failure; }
    // The address the last fetch ended at, after redirects (as requested, escaped).
    const std::string& FinalAddress() const { return finalAddress; }
    // The Content-Type of the last page's answer; empty when none.
    std::string ContentType() const { return Transfer::Header(pageHandles, "Content-Type"); }
    std::string Header(const char* name) const { return Transfer::Header(pageHandles, name); }
    // The status of the last page's answer, 0 when none arrived.
    long LastStatus() const { return Transfer::StatusCode(pageHandles); }

private:
    std::string userAgent;
    Transfer::Limits limits;
    CurlHandles pageHandles;
    std::string finalAddress;
    std::string failure;
    std::shared_ptr<const CookieJar> cookies;
};
