#pragma once
// One cookie as a browser keeps it, and the line libcurl's cookie engine takes it as (the
// Netscape cookie file's seven tab-separated fields, "#HttpOnly_" before the domain of an
// HTTP-only one).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct Cookie {
    std::string domain; // ".example.org" for the domain and its subdomains, else the host only
    std::string path = "/";
    bool secure = false;
    bool httpOnly = false;
    int64_t expiry = 0; // seconds since 1970; 0 for a cookie of the session
    std::string name;
    std::string value;

    std::string Line() const;
    // True when a request to `host` may carry it by its domain.
    bool ForHost(std::string_view host) const;
    // A name, value, domain or path with a control character or a tab would make another
    // line, or another field, of the engine's input: such a cookie is never sent.
    bool Sound() const;
};

// Takes each cookie a store yields, as it is read: a store of 100,000 is never held whole.
using CookieSink = std::function<void(Cookie&&)>;
