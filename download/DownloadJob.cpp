#include "download/DownloadJob.h"

#include "net/Site.h"

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
