#pragma once
// Turns a link found on a page into the server to contact, the path on it and the service.

#include <cstdint>
#include <string>

struct ResolvedLink {
    std::string server;
    std::string path;
    int32_t service = 0; // 0 HTTP, 1 FTP, 2 HTTPS
};

// Absolute links ("http:/", "https:/", "ftp:", "//") name their server; any other link is
// relative to the page's base. Dot segments are kept, nothing is decoded, and the result is
// always defined.
ResolvedLink ResolveLink(const std::string& pageAddress, const std::string& link);
