#pragma once
// The parts of an address that decide where a request goes and whose it is: its host (lower
// case, without user name, password or port), its server (host[:port]), its origin, and its
// site, the registrable domain by the Public Suffix List (an IP address, a one-label host or a
// public suffix is its own site).

#include <string>
#include <string_view>

class Site {
public:
    static std::string HostOf(std::string_view address);
    // host[:port] as the address names it, lower case: one server to the look-up limits.
    static std::string ServerOf(std::string_view address);
    // "https://host[:port]": what a Referer to another origin is cut to (without the "/").
    static std::string OriginOf(std::string_view address);
    static std::string Of(std::string_view host);
    static bool IsHttps(std::string_view address);
    // `host` as one spelling: lower case, no trailing dot, an international name in its ASCII
    // (punycode) form; a name that does not convert is kept, lower-cased.
    static std::string AsciiHost(std::string_view host);
    // "http:" or "https:", in any case.
    static bool IsWeb(std::string_view address);
};
