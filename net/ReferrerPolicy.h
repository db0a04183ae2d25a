#pragma once
// What a request made from a page tells the server of that page (the Referer), by the page's
// referrer policy: by default the whole address to the page's own origin, only the origin to
// another, nothing from https to http. Applied at every redirect hop.

#include <optional>
#include <string>
#include <string_view>

class ReferrerPolicy {
public:
    enum class Kind {
        StrictOriginWhenCrossOrigin, // the default
        NoReferrer,
        NoReferrerWhenDowngrade,
        Origin,
        OriginWhenCrossOrigin,
        SameOrigin,
        StrictOrigin,
        UnsafeUrl,
    };

    // The policy a Referrer-Policy header or a <meta name="referrer"> names: a comma-separated
    // list whose last known token wins; none when it names no known one.
    static std::optional<Kind> Parse(std::string_view value);
    static const char* Word(Kind kind);
    // The Referer a request to `target` made from `page` carries; empty: none.
    static std::string RefererFor(Kind kind, const std::string& page, const std::string& target);
};
