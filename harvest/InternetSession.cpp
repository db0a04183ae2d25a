#include "harvest/InternetSession.h"

#include "harvest/PageAddress.h"
#include "harvest/PageText.h"

#include <curl/curl.h>
#include <mutex>

namespace {

void GlobalInitOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// What one page transfer keeps between libcurl's callbacks.
struct PageTransfer {
    PageText* page;
    std::chrono::steady_clock::time_point lastByte;
    std::chrono::milliseconds stallTimeout;
    bool cutShort = false;
};

size_t OnPageBytes(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<PageTransfer*>(user);
    t->lastByte = std::chrono::steady_clock::now();
    t->page->Append(data, size * count);
    if (t->page->Full()) {
        // The buffer is full: nothing more can be kept, so stop reading instead of draining an
        // endless body.
        t->cutShort = true;
        return 0;
    }
    return size * count;
}

size_t OnHeaderBytes(char*, size_t size, size_t count, void* user) {
    static_cast<PageTransfer*>(user)->lastByte = std::chrono::steady_clock::now();
    return size * count;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<PageTransfer*>(user);
    return std::chrono::steady_clock::now() - t->lastByte > t->stallTimeout ? 1 : 0;
}

} // namespace

InternetSession::InternetSession(std::string userAgent) : userAgent(std::move(userAgent)) {
    GlobalInitOnce();
}

InternetSession::~InternetSession() = default;

void InternetSession::SetTimeouts(Milliseconds connect, Milliseconds stall) {
    connectTimeout = connect;
    stallTimeout = stall;
}

bool InternetSession::FetchPage(const std::string& address, PageText& page) const {
    CURL* curl = curl_easy_init();
    if (curl == nullptr)
        return false;
    page.Clear();
    PageTransfer transfer{&page, std::chrono::steady_clock::now(), stallTimeout};
    const std::string target = EncodeRequestTarget(address);

    curl_easy_setopt(curl, CURLOPT_URL, target.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeout.count()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnPageBytes);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeaderBytes);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);

    const CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    return result == CURLE_OK || (result == CURLE_WRITE_ERROR && transfer.cutShort);
}
