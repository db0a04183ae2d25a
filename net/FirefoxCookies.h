#pragma once
// Firefox's cookies on Linux: the profile (the default one through installs.ini, then
// profiles.ini, under ~/.mozilla/firefox or the Snap and Flatpak homes; or one named, or a
// folder), its cookies.sqlite copied with its journal and read with SQLite. Cookies of a
// container or partitioned by another site (any originAttributes) are left out; an expiry in
// seconds (older stores) or milliseconds (newer ones) is read right.

#include "net/Cookie.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class FirefoxCookies {
public:
    // The folders Firefox keeps its profiles in under `home`, in the order they are tried.
    static std::vector<std::string> Homes(const std::string& home);
    // The names of the profiles found under `home`, in the order of the folders they are in.
    static std::vector<std::string> ProfileNames(const std::string& home);
    // The profile folder for `profile` (empty: the default one; else a profile's name, its
    // folder's name, or a path); none with `why`.
    static std::optional<std::string> ProfileFolder(const std::string& home,
                                                    const std::string& profile, std::string& why);
    // The cookies of the database `file` (a profile's cookies.sqlite), unexpired at `now`,
    // handed to `sink`; false with `why`.
    static bool Read(const std::string& file, int64_t now, std::string& why,
                     const CookieSink& sink);
    // The cookies the running Firefox keeps only in its session store (a login without
    // "remember me"): the top-level "cookies" of the profile's
    // sessionstore-backups/recovery.jsonlz4, else recovery.baklz4, by the same rules. A store
    // that cannot be read is said in `warning`, and yields none.
    static std::vector<Cookie> SessionCookies(const std::string& profileFolder, int64_t now,
                                              std::string& warning);
    // The JSON text of a session store file's bytes (Mozilla's LZ4 frame: "mozLz40\0", the
    // 32-bit little-endian size, one LZ4 block); none when they are no such frame.
    static std::optional<std::string> Unframe(std::string_view bytes);
};
