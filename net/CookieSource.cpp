#include "net/CookieSource.h"

#include "net/CookieFile.h"
#include "net/FirefoxCookies.h"
#include "net/StoreFile.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace {

constexpr std::pair<CookieSource::Kind, const char*> words[] = {
    {CookieSource::Kind::None, "none"},         {CookieSource::Kind::Firefox, "firefox"},
    {CookieSource::Kind::Chromium, "chromium"}, {CookieSource::Kind::Chrome, "chrome"},
    {CookieSource::Kind::Brave, "brave"},       {CookieSource::Kind::File, "file"}};

// The Chromium-family browser a source of that kind reads.
ChromiumCookies::Browser BrowserOf(CookieSource::Kind kind) {
    return kind == CookieSource::Kind::Chrome  ? ChromiumCookies::Browser::Chrome
           : kind == CookieSource::Kind::Brave ? ChromiumCookies::Browser::Brave
                                               : ChromiumCookies::Browser::Chromium;
}

} // namespace

const char* CookieSource::Word(Kind kind) {
    for (const auto& [k, word] : words)
        if (k == kind)
            return word;
    return "none";
}

std::optional<CookieSource::Kind> CookieSource::KindOf(std::string_view word) {
    for (const auto& [k, w] : words)
        if (word == w)
            return k;
    return std::nullopt;
}

std::optional<CookieSource> CookieSource::FromBrowser(const std::string& value) {
    const std::size_t colon = value.find(':');
    const std::optional<Kind> kind = KindOf(value.substr(0, colon));
    if (!kind || *kind == Kind::None || *kind == Kind::File)
        return std::nullopt;
    CookieSource source;
    source.kind = *kind;
    source.profile = colon == std::string::npos ? "" : value.substr(colon + 1);
    return source;
}

std::string CookieSource::Jar::Summary(const std::string& address) const {
    if (!problem.empty())
        return problem;
    if (from.empty())
        return {};
    const std::size_t read = cookies ? cookies->Size() : 0;
    const std::size_t here = cookies ? cookies->CountFor(address) : 0;
    std::string text = "Cookies: " + std::to_string(read) + " read from " + from + ", " +
                       std::to_string(here) + " for this site";
    if (undecryptable > 0)
        text += ", " + std::to_string(undecryptable) + " could not be decrypted" +
                (undecryptableWhy.empty() ? "" : " (" + undecryptableWhy + ")");
    if (!warning.empty())
        text += "; " + warning;
    return text;
}

std::vector<std::string> CookieSource::Profiles(const std::string& home, Kind kind) {
    if (kind == Kind::Firefox)
        return FirefoxCookies::ProfileNames(home);
    if (kind == Kind::None || kind == Kind::File)
        return {};
    return ChromiumCookies::ProfileNames(home, BrowserOf(kind));
}

bool CookieSource::Jar::Failed() const {
    return !problem.empty() || (undecryptable > 0 && (!cookies || cookies->Size() == 0));
}

CookieSource::Jar CookieSource::Read(const std::string& home, int64_t now,
                                     const ChromiumCookies::KeyLookup& lookup) const {
    Jar jar;
    if (kind == Kind::None)
        return jar;
    const std::string which = profile.empty() ? "default profile" : "profile " + profile;
    std::string why;
    std::string where;
    auto cookies = std::make_shared<CookieJar>();
    const CookieSink add = [&](Cookie&& c) {
        if (c.expiry == 0 || c.expiry > now)
            cookies->Add(c);
    };
    if (kind == Kind::File) {
        jar.from = file;
        where = file;
        StoreFile in;
        std::string text;
        if (in.Open(file, why) && in.ReadAll(text, why))
            CookieFile::Parse(text, add);
    } else if (kind == Kind::Firefox) {
        jar.from = "Firefox (" + which + ")";
        if (const auto folder = FirefoxCookies::ProfileFolder(home, profile, why)) {
            where = *folder + "/cookies.sqlite";
            // A login kept only in the session store joins the database's; the database's
            // cookie of the same name, domain and path wins.
            std::vector<Cookie> session = FirefoxCookies::SessionCookies(*folder, now, jar.warning);
            std::set<std::tuple<std::string, std::string, std::string>> overridden;
            FirefoxCookies::Read(where, now, why, [&](Cookie&& c) {
                for (const Cookie& s : session)
                    if (s.name == c.name && s.domain == c.domain && s.path == c.path)
                        overridden.emplace(c.name, c.domain, c.path);
                add(std::move(c));
            });
            for (Cookie& c : session)
                if (!overridden.count({c.name, c.domain, c.path}))
                    add(std::move(c));
        }
    } else {
        const auto browser = BrowserOf(kind);
        jar.from =
            std::string(kind == Kind::Chrome ? "Google Chrome" : ChromiumCookies::Name(browser)) +
            " (" + which + ")";
        if (const auto file = ChromiumCookies::CookieFile(home, browser, profile, why)) {
            where = *file;
            if (auto found = ChromiumCookies::Read(*file, browser, now, lookup, why, add)) {
                jar.undecryptable = found->undecryptable;
                jar.undecryptableWhy = std::move(found->undecryptableWhy);
            }
        }
    }
    if (!why.empty()) {
        // The page is fetched without cookies; the line says which file and why.
        jar.problem = "Cookies: " + (where.empty() ? why : where + ": " + why);
        jar.warning.clear();
        return jar;
    }
    cookies->Seal();
    jar.cookies = std::move(cookies);
    return jar;
}
