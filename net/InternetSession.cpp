#include "net/InternetSession.h"

#include "net/Site.h"

#include <algorithm>

namespace {

// Fills the page text, and stops reading once it is full or the read limit is reached.
class PageHooks : public TransferHooks {
public:
    explicit PageHooks(PageSink& page) : page(page) {}

    bool OnBody(const char* data, std::size_t size) override {
        bytesRead += size;
        if (!page.Append(data, size) || bytesRead >= InternetSession::pageReadLimit) {
            cutShort = true;
            return false;
        }
        return true;
    }

    bool cutShort = false;

private:
    PageSink& page;
    uint64_t bytesRead = 0;
};

} // namespace

InternetSession::InternetSession(std::string userAgent) : userAgent(std::move(userAgent)) {}

void InternetSession::SetTimeouts(Milliseconds connect, Milliseconds stall) {
    limits.connect = connect;
    limits.stall = stall;
}

bool InternetSession::FetchPage(const std::string& address, PageSink& page) {
    page.Clear();
    PageHooks hooks(page);
    Transfer::Request request;
    CookieLines after;
    std::vector<std::string> sites; // the sites whose cookies the hops were handed
    if (cookies) {
        request.cookiesFor = [&](const std::string& hop) {
            std::string site = Site::Of(Site::HostOf(hop));
            const CookieLines* lines = &cookies->OfSite(site);
            if (std::find(sites.begin(), sites.end(), site) == sites.end())
                sites.push_back(std::move(site));
            return lines;
        };
        request.cookiesAfter = &after;
    }
    const Transfer::Result result =
        Transfer::Run(pageHandles, address, userAgent, limits, hooks, request);
    // What the page's answers set joins the page's cookies.
    if (cookies)
        cookies = cookies->With(sites, after);
    finalAddress = Transfer::FinalAddress(pageHandles);
    const bool opened =
        result == Transfer::Result::Done || (result == Transfer::Result::Stopped && hooks.cutShort);
    failure = opened ? std::string() : Transfer::FailureText(pageHandles, result);
    return opened;
}
