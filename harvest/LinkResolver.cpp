#include "harvest/LinkResolver.h"

#include "harvest/TextMatch.h"

namespace {

// Splits `s` at its first run of '/': the server name follows that run up to the next '/'.
// Returns the position where the rest (empty or beginning with '/') starts.
std::size_t SplitHost(const std::string& s, std::string& server) {
    std::size_t i = s.find('/');
    if (i == std::string::npos)
        i = s.size();
    while (i < s.size() && s[i] == '/')
        ++i;
    std::size_t end = s.find('/', i);
    if (end == std::string::npos)
        end = s.size();
    server = s.substr(i, end - i);
    return end;
}

} // namespace

ResolvedLink ResolveLink(const std::string& pageAddress, const std::string& link) {
    ResolvedLink r;
    const int32_t pageService = StartsWithNoCase(pageAddress, "HTTPS:") ? 2 : 0;

    if (StartsWithNoCase(link, "HTTP:/") || StartsWithNoCase(link, "HTTPS:/") ||
        StartsWithNoCase(link, "FTP:") || StartsWithNoCase(link, "//")) {
        r.service = StartsWithNoCase(link, "HTTPS:/") ? 2
                    : StartsWithNoCase(link, "FTP:")  ? 1
                    : StartsWithNoCase(link, "//")    ? pageService
                                                      : 0;
        const std::size_t rest = SplitHost(link, r.server);
        r.path = link.substr(rest);
        return r;
    }

    r.service = pageService;
    const std::size_t i = SplitHost(pageAddress, r.server);
    std::string base;
    if (ContainsNoCase(pageAddress, ".HTM")) {
        // The page names a file: its directory is the base.
        const std::size_t lastSlash = pageAddress.rfind('/');
        if (lastSlash != std::string::npos && lastSlash > i)
            base = pageAddress.substr(i, lastSlash - i);
    } else {
        base = pageAddress.substr(i);
    }
    if (!base.empty() && base.front() == '/')
        base.erase(0, 1);
    if (!link.empty() && link.front() != '/')
        base += '/';
    r.path = base + link;
    return r;
}
