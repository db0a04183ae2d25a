#include "net/CurlHandles.h"

#include <mutex>

CurlHandles::CurlHandles() {
    // The library's global set-up is not thread-safe; the first handle does it, once.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    easy = curl_easy_init();
    multi = curl_multi_init();
}

CurlHandles::~CurlHandles() {
    if (easy != nullptr)
        curl_easy_cleanup(easy);
    if (multi != nullptr)
        curl_multi_cleanup(multi);
}
