#pragma once
// Where the cookies of a run come from (none, a browser's store and profile, or a cookies.txt
// file), and the one read of them per page: the lines libcurl's cookie engine takes, what was
// read, and the one line the user is told.

#include "net/ChromiumCookies.h"
#include "net/Cookie.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using CookieLines = std::vector<std::string>;

class CookieSource {
public:
    enum class Kind { None, Firefox, Chromium, Chrome, Brave, File };

    Kind kind = Kind::None;
    std::string profile; // a browser's profile: a name, a folder's name or a path; empty: default
    std::string file;    // a cookies.txt file

    // "none", "firefox", "chromium", "chrome", "brave", "file" and back.
    static const char* Word(Kind kind);
    static std::optional<Kind> KindOf(std::string_view word);
    // NAME[:PROFILE] of a browser.
    static std::optional<CookieSource> FromBrowser(const std::string& value);

    struct Jar {
        std::shared_ptr<const CookieLines> lines; // null: no cookie is sent
        std::vector<Cookie> cookies;
        int undecryptable = 0;
        std::string from;    // "Firefox (default profile)"
        std::string problem; // "Cookies: FILE: CAUSE"; empty when the store was read

        // "Cookies: 412 read from Firefox (default profile), 9 for this site, 3 could not be
        // decrypted", the problem when there was one, nothing without a source.
        std::string Summary(std::string_view host) const;
    };
    // Reads the cookies of this source under the home folder `home`, leaving out those expired
    // at `now` (seconds); `lookup` answers for a Chromium-family browser's keyring.
    Jar Read(const std::string& home, int64_t now, const ChromiumCookies::KeyLookup& lookup) const;
};
