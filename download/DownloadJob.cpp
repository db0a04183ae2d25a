#include "download/DownloadJob.h"

#include "download/ResumingDownload.h"
#include "net/Site.h"

#include <algorithm>
#include <ctime>

Transfer::Request DownloadJob::Request() const {
    Transfer::Request request;
    request.referer = referer;
    request.policy = policy;
    if (sendCookies)
        request.cookiesFor = [this](const std::string& address) -> const CookieLines* {
            return Site::Of(Site::HostOf(address)) == cookieSite ? &cookies : nullptr;
        };
    return request;
}

void DownloadJob::TakeRetryAfter() {
    const auto wait = ResumingDownload::RetryAfterSeconds(Transfer::Header(*handles, "Retry-After"),
                                                          std::time(nullptr));
    waitSeconds = wait ? static_cast<int32_t>(std::min<int64_t>(*wait, 1 << 20)) : -1;
}

int32_t DownloadJob::WaitSeconds(int32_t asked, int32_t waits, int32_t maxSeconds) {
    return asked >= 0 ? std::min(asked, maxSeconds) : 5 << std::clamp(waits - 1, 0, 8);
}
