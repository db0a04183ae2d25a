#pragma once
// The one internet session of a run: the user agent, the time limits and the libcurl settings
// that page retrieval (and every download) share.

#include <chrono>
#include <string>

class PageText;

class InternetSession {
public:
    using Milliseconds = std::chrono::milliseconds;

    explicit InternetSession(std::string userAgent = "Tarvik");
    ~InternetSession();
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;

    // How long a transfer may take to connect, and how long it may go without a byte arriving,
    // before it gives up. Both 30 s unless changed (tests shorten them).
    void SetTimeouts(Milliseconds connect, Milliseconds stall);

    // Fetches `address` into `page`, following redirects. Any response that arrives, an error
    // page included, is the page; a body longer than the page buffer is cut. False when the
    // address cannot be opened or the transfer breaks off; `page` then holds no meaning.
    bool FetchPage(const std::string& address, PageText& page) const;

private:
    std::string userAgent;
    Milliseconds connectTimeout{30000};
    Milliseconds stallTimeout{30000};
};
