#include "net/CookieSource.h"

#include "net/CookieFile.h"
#include "net/FirefoxCookies.h"
#include "net/StoreFile.h"

#include <algorithm>

namespace {

constexpr std::pair<CookieSource::Kind, const char*> words[] = {
    {CookieSource::Kind::None, "none"},         {CookieSource::Kind::Firefox, "firefox"},
    {CookieSource::Kind::Chromium, "chromium"}, {CookieSource::Kind::Chrome, "chrome"},
    {CookieSource::Kind::Brave, "brave"},       {CookieSource::Kind::File, "file"}};

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
    std::vector<Cookie> cookies;
    if (kind == Kind::File) {
        jar.from = file;
        where = file;
        StoreFile in;
        std::string text;
        if (in.Open(file, why) && in.ReadAll(text, why))
            for (Cookie& c : CookieFile::Parse(text))
                if (c.expiry == 0 || c.expiry > now)
                    cookies.push_back(std::move(c));
    } else if (kind == Kind::Firefox) {
        jar.from = "Firefox (" + which + ")";
        if (const auto folder = FirefoxCookies::ProfileFolder(home, profile, why)) {
            where = *folder + "/cookies.sqlite";
            if (auto found = FirefoxCookies::Read(where, now, why))
                cookies = std::move(*found);
            if (why.empty())
                FirefoxCookies::JoinSession(*folder, now, cookies, jar.warning);
        }
    } else {
        const auto browser = kind == Kind::Chrome  ? ChromiumCookies::Browser::Chrome
                             : kind == Kind::Brave ? ChromiumCookies::Browser::Brave
                                                   : ChromiumCookies::Browser::Chromium;
        jar.from =
            std::string(kind == Kind::Chrome ? "Google Chrome" : ChromiumCookies::Name(browser)) +
            " (" + which + ")";
        if (const auto file = ChromiumCookies::CookieFile(home, browser, profile, why)) {
            where = *file;
            if (auto found = ChromiumCookies::Read(*file, browser, now, lookup, why)) {
                cookies = std::move(found->cookies);
                jar.undecryptable = found->undecryptable;
                jar.undecryptableWhy = std::move(found->undecryptableWhy);
            }
        }
    }
    if (!why.empty()) {
        // The page is fetched without cookies; the line says which file and why.
        jar.problem = "Cookies: " + (where.empty() ? why : where + ": " + why);
        return jar;
    }
    jar.cookies = std::make_shared<const CookieJar>(std::move(cookies));
    return jar;
}
