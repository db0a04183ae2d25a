#include "net/FirefoxCookies.h"

#include "net/CookieDatabase.h"
#include "net/PrivateCopy.h"

#include <fstream>
#include <map>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

using Section = std::map<std::string, std::string>;

// The sections of an ini file, in their order, with their keys.
std::vector<std::pair<std::string, Section>> ReadIni(const std::string& path) {
    std::vector<std::pair<std::string, Section>> sections;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            sections.emplace_back(line.substr(1, line.size() - 2), Section{});
        } else if (const std::size_t eq = line.find('=');
                   eq != std::string::npos && !sections.empty()) {
            sections.back().second[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return sections;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Joined(const std::string& base, const Section& s, const std::string& key) {
    const auto relative = s.find("IsRelative");
    const std::string path = s.count(key) ? s.at(key) : "";
    return relative != s.end() && relative->second == "0" ? path : base + "/" + path;
}

} // namespace

std::vector<std::string> FirefoxCookies::Homes(const std::string& home) {
    return {home + "/.mozilla/firefox", home + "/snap/firefox/common/.mozilla/firefox",
            home + "/.var/app/org.mozilla.firefox/.mozilla/firefox"};
}

std::optional<std::string> FirefoxCookies::ProfileFolder(const std::string& home,
                                                         const std::string& profile,
                                                         std::string& why) {
    if (profile.find('/') != std::string::npos) {
        if (IsFolder(profile))
            return profile;
        why = profile + ": no such profile folder";
        return std::nullopt;
    }
    for (const std::string& base : Homes(home)) {
        const auto installs = ReadIni(base + "/installs.ini");
        const auto profiles = ReadIni(base + "/profiles.ini");
        if (profile.empty()) {
            // The profile the installed Firefox starts with, then the one profiles.ini names.
            auto installed = [&](const std::string& name, const Section& s, bool any) {
                return (any || name.rfind("Install", 0) == 0) && s.count("Default") != 0 &&
                       IsFolder(base + "/" + s.at("Default"));
            };
            for (const auto& [name, s] : installs)
                if (installed(name, s, true))
                    return base + "/" + s.at("Default");
            for (const auto& [name, s] : profiles)
                if (installed(name, s, false))
                    return base + "/" + s.at("Default");
            for (const auto& [name, s] : profiles)
                if (name.rfind("Profile", 0) == 0 && s.count("Default") && s.at("Default") == "1")
                    return Joined(base, s, "Path");
            for (const auto& [name, s] : profiles)
                if (name.rfind("Profile", 0) == 0 && s.count("Path"))
                    return Joined(base, s, "Path");
            continue;
        }
        for (const auto& [name, s] : profiles)
            if (name.rfind("Profile", 0) == 0 && s.count("Path") &&
                (s.count("Name") && s.at("Name") == profile))
                return Joined(base, s, "Path");
        if (IsFolder(base + "/" + profile))
            return base + "/" + profile;
    }
    why = Homes(home).front() + ": " +
          (profile.empty() ? std::string("no Firefox profile") : "no profile named " + profile);
    return std::nullopt;
}

std::optional<std::vector<Cookie>> FirefoxCookies::Read(const std::string& file, int64_t now,
                                                        std::string& why) {
    PrivateCopy copy;
    CookieDatabase db;
    if (!copy.Make(file, {"-wal"}, why) || !db.Open(copy.Path(), why))
        return std::nullopt;
    int64_t version = -1;
    db.Each(
        "PRAGMA user_version", [&](sqlite3_stmt* row) { version = CookieDatabase::Number(row, 0); },
        why);
    if (!db.HasColumn("moz_cookies", "originAttributes") ||
        !db.HasColumn("moz_cookies", "expiry")) {
        why = "of an unknown version (" + std::to_string(version) + ")";
        return std::nullopt;
    }
    std::vector<Cookie> cookies;
    const bool read = db.Each(
        "SELECT host, path, isSecure, expiry, name, value, isHttpOnly, originAttributes "
        "FROM moz_cookies",
        [&](sqlite3_stmt* row) {
            if (!CookieDatabase::Text(row, 7).empty())
                return; // a container's, or partitioned by another site
            Cookie c;
            c.domain = CookieDatabase::Text(row, 0);
            c.path = CookieDatabase::Text(row, 1);
            c.secure = CookieDatabase::Number(row, 2) != 0;
            // Newer stores count milliseconds: no cookie lives to the year 5138.
            const int64_t expiry = CookieDatabase::Number(row, 3);
            c.expiry = expiry > 100000000000 ? expiry / 1000 : expiry;
            c.name = CookieDatabase::Text(row, 4);
            c.value = CookieDatabase::Text(row, 5);
            c.httpOnly = CookieDatabase::Number(row, 6) != 0;
            if (c.Sound() && (c.expiry == 0 || c.expiry > now))
                cookies.push_back(std::move(c));
        },
        why);
    if (!read)
        return std::nullopt;
    return cookies;
}
