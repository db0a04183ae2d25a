#pragma once
// Reads a cookies.txt file in the Netscape format, as browsers' exporters and other download
// tools write it: seven tab-separated fields a line, "#HttpOnly_" before an HTTP-only cookie's
// domain, other lines beginning with # and blank lines skipped; an expiry time with a fraction
// or of 0 (a session cookie) is read, not refused.

#include "net/Cookie.h"

#include <string>
#include <string_view>
#include <vector>

class CookieFile {
public:
    // The cookies of `text`; a line that is no cookie is skipped.
    static std::vector<Cookie> Parse(std::string_view text);
    static void Parse(std::string_view text, const CookieSink& sink);
};
