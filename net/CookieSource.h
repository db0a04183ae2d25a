#pragma once
// Where the cookies of a run come from (none, a browser's store and profile, or a cookies.txt
// file), and the one read of them per page: the lines libcurl's cookie engine takes, what was
// read, and the one line the user is told.

#include "net/ChromiumCookies.h"
#include "net/Cookie.h"
#include "net/CookieJar.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
        std::shared_ptr<const CookieJar> cookies; // null: no cookie is sent
        int undecryptable = 0;
        std::string undecryptableWhy; // "the keyring is locked", ...
        std::string from;             // "Firefox (default profile)"
        std::string problem;          // "Cookies: FILE: CAUSE"; empty when the store was read
        std::string warning;          // a part of the store that could not be read, the rest was

        // "Cookies: 412 read from Firefox (default profile), 9 for this site, 3 could not be
        // decrypted (the keyring is locked)", the problem when there was one, nothing without
        // a source. "For this site" counts what the page's address itself would carry.
        std::string Summary(const std::string& address) const;
        // The user asked for a login that cannot be had: the store could not be read, or none
        // of its values could be decrypted.
        bool Failed() const;
    };
    // The profiles found under `home` for a browser source, for the user to choose from.
    static std::vector<std::string> Profiles(const std::string& home, Kind kind);
    // Reads the cookies of this source under the home folder `home`, leaving out those expired
    // at `now` (seconds); `lookup` answers for a Chromium-family browser's keyring.
    Jar Read(const std::string& home, int64_t now, const ChromiumCookies::KeyLookup& lookup) const;
};
