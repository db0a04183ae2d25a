#pragma once
// The settings beyond the modern rules' switch, kept in "tk.modern" beside the options file as
// UTF-8 lines of "key = value": read at start (a missing file or a bad line means that key's
// default), written only when the modern options are accepted, whole (AtomicFile). Keys this
// version does not know are kept as they were.

#include <string>
#include <utility>
#include <vector>

struct ModernSettings {
    std::string nameMask; // "name-mask": how modern rows' files are named; empty: as before
    // "min-size = WxH": Download All Pictures skips pictures narrower or lower (0: any).
    static constexpr int maxSide = 100000;
    int minWidth = 100;
    int minHeight = 100;
    // "cookies": none, firefox, chromium, chrome, brave or file; "cookie-profile" (a browser's
    // profile, empty: its default one); "cookie-file" (a cookies.txt); "user-agent" (empty:
    // Tarvik's own). Only the choice is kept, never a cookie.
    std::string cookies = "none";
    std::string cookieProfile;
    std::string cookieFile;
    std::string userAgent;
    // "next-pages": how many next pages Get Next Pages reads at most (0 to maxNextPages).
    static constexpr int maxNextPages = 1000;
    int nextPages = 20;
    // "per-server": modern downloads at once from one server (0: no limit, at most 16).
    int perServer = 0;
    // "limit-rate": KiB a second for all modern downloads together (0: no limit).
    static constexpr int maxLimitRate = 1 << 30;
    int limitRate = 0;
    // "keep-identical": keep a download whose bytes a file in the save folder has already;
    // "notify": tell the desktop when the Download List has finished. "true" or "false".
    bool keepIdentical = false;
    bool notify = true;

    // "tk.modern" beside the options file `settingsPath`.
    static std::string BesideSettings(const std::string& settingsPath);
    static ModernSettings Load(const std::string& path);
    bool Save(const std::string& path) const;

    std::vector<std::pair<std::string, std::string>> others; // keys not known, in their order
};
