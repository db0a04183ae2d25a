#include "net/FirefoxCookies.h"

#include "net/CookieDatabase.h"
#include "net/PrivateCopy.h"
#include "net/StoreFile.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <lz4.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sqlite3.h>
#include <sys/stat.h>
#include <tuple>

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
    // Newer Firefox makes its profiles under the XDG config folder.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string configHome =
        config != nullptr && config[0] == '/' ? std::string(config) : home + "/.config";
    return {configHome + "/mozilla/firefox", home + "/.mozilla/firefox",
            home + "/snap/firefox/common/.mozilla/firefox",
            home + "/.var/app/org.mozilla.firefox/.mozilla/firefox",
            home + "/.var/app/org.mozilla.firefox/config/mozilla/firefox"};
}

std::vector<std::string> FirefoxCookies::ProfileNames(const std::string& home) {
    std::vector<std::string> names;
    for (const std::string& base : Homes(home))
        for (const auto& [name, s] : ReadIni(base + "/profiles.ini"))
            if (name.rfind("Profile", 0) == 0 && s.count("Name") &&
                std::find(names.begin(), names.end(), s.at("Name")) == names.end())
                names.push_back(s.at("Name"));
    return names;
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
    std::string places;
    for (const std::string& base : Homes(home))
        places += (places.empty() ? "" : ", ") + base;
    why = (profile.empty() ? std::string("no Firefox profile") : "no profile named " + profile) +
          " (looked in " + places + ")";
    return std::nullopt;
}

bool FirefoxCookies::Read(const std::string& file, int64_t now, std::string& why,
                          const CookieSink& sink) {
    PrivateCopy copy;
    CookieDatabase db;
    if (!copy.Make(file, {"-wal"}, why) || !db.Open(copy.Path(), why))
        return false;
    int64_t version = -1;
    db.Each(
        "PRAGMA user_version", [&](sqlite3_stmt* row) { version = CookieDatabase::Number(row, 0); },
        why);
    if (!db.HasColumn("moz_cookies", "originAttributes") ||
        !db.HasColumn("moz_cookies", "expiry")) {
        why = "of an unknown version (" + std::to_string(version) + ")";
        return false;
    }
    return db.Each(
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
                sink(std::move(c));
        },
        why);
}

std::optional<std::string> FirefoxCookies::Unframe(std::string_view bytes) {
    constexpr std::string_view magic("mozLz40\0", 8);
    constexpr uint32_t maxSize = 64u << 20;
    if (bytes.size() < 12 || bytes.substr(0, 8) != magic)
        return std::nullopt;
    uint32_t size = 0;
    for (int i = 3; i >= 0; --i)
        size = size << 8 | static_cast<unsigned char>(bytes[8 + static_cast<std::size_t>(i)]);
    if (size > maxSize || bytes.size() - 12 > static_cast<std::size_t>(INT32_MAX))
        return std::nullopt;
    std::string text(size, '\0');
    const int made =
        LZ4_decompress_safe(bytes.data() + 12, text.data(), static_cast<int>(bytes.size() - 12),
                            static_cast<int>(size));
    if (made < 0)
        return std::nullopt;
    text.resize(static_cast<std::size_t>(made));
    return text;
}

namespace {

// Cookies of a container, a private window or partitioned by another site carry attributes
// other than the defaults.
bool DefaultAttributes(const nlohmann::json& attributes) {
    if (!attributes.is_object())
        return true;
    for (const auto& [key, value] : attributes.items())
        if ((value.is_string() && !value.get<std::string>().empty()) ||
            (value.is_number() && value.get<double>() != 0) ||
            (value.is_boolean() && value.get<bool>()))
            return false;
    return true;
}

} // namespace

std::vector<Cookie> FirefoxCookies::SessionCookies(const std::string& profileFolder, int64_t now,
                                                   std::string& warning) {
    std::vector<Cookie> cookies;
    std::optional<nlohmann::json> session;
    std::string problem; // the first store that is there and could not be read, and why
    for (const char* file : {"recovery.jsonlz4", "recovery.baklz4"}) {
        const std::string name = std::string("sessionstore-backups/") + file;
        StoreFile in;
        std::string bytes, why;
        if (!in.Open(profileFolder + "/" + name, why) || !in.ReadAll(bytes, why, 256u << 20)) {
            if (why != "no such file" && problem.empty())
                problem = name + " could not be read (" + why + ")";
            continue;
        }
        const std::optional<std::string> text = Unframe(bytes);
        nlohmann::json json = text ? nlohmann::json::parse(*text, nullptr, false)
                                   : nlohmann::json(nlohmann::json::value_t::discarded);
        if (json.is_object()) {
            session = std::move(json);
            break;
        }
        if (problem.empty())
            problem = name + " could not be read (damaged)";
    }
    if (!session) {
        // No session store at all is no fault: Firefox is not running, or keeps none.
        if (!problem.empty())
            warning = "the session store " + problem;
        return cookies;
    }
    const auto list = session->find("cookies");
    if (list == session->end() || !list->is_array())
        return cookies;
    for (const nlohmann::json& item : *list) {
        if (!item.is_object() ||
            !DefaultAttributes(item.value("originAttributes", nlohmann::json())))
            continue;
        // A field of another type than Firefox writes is read as absent.
        auto text = [&](const char* key, const char* absent) {
            const auto at = item.find(key);
            return at != item.end() && at->is_string() ? at->get<std::string>() : absent;
        };
        auto flag = [&](const char* key) {
            const auto at = item.find(key);
            return at != item.end() && at->is_boolean() && at->get<bool>();
        };
        const auto at = item.find("expiry");
        Cookie c;
        c.domain = text("host", "");
        c.path = text("path", "/");
        c.name = text("name", "");
        c.value = text("value", "");
        c.secure = flag("secure");
        c.httpOnly = flag("httponly");
        const double expiry = at != item.end() && at->is_number() ? at->get<double>() : 0.0;
        c.expiry = !(expiry > 0) || expiry > 9e15 ? 0
                   : expiry > 1e11                ? static_cast<int64_t>(expiry / 1000)
                                                  : static_cast<int64_t>(expiry);
        if (c.Sound() && (c.expiry == 0 || c.expiry > now))
            cookies.push_back(std::move(c));
    }
    return cookies;
}
