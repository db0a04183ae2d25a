#include "net/CookieSource.h"

#include "net/CookieFile.h"
#include "net/FirefoxCookies.h"

#include <algorithm>
#include <fstream>
#include <iterator>

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

std::string CookieSource::Jar::Summary(std::string_view host) const {
    if (!problem.empty())
        return problem;
    if (from.empty())
        return {};
    const auto here = std::count_if(cookies.begin(), cookies.end(),
                                    [&](const Cookie& c) { return c.ForHost(host); });
    std::string text = "Cookies: " + std::to_string(cookies.size()) + " read from " + from + ", " +
                       std::to_string(here) + " for this site";
    if (undecryptable > 0)
        text += ", " + std::to_string(undecryptable) + " could not be decrypted";
    return text;
}

CookieSource::Jar CookieSource::Read(const std::string& home, int64_t now,
                                     const ChromiumCookies::KeyLookup& lookup) const {
    Jar jar;
    if (kind == Kind::None)
        return jar;
    const std::string which = profile.empty() ? "default profile" : "profile " + profile;
    std::string why;
    std::string where;
    if (kind == Kind::File) {
        jar.from = file;
        where = file;
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            why = "no such file";
        } else {
            const std::string text(std::istreambuf_iterator<char>(in), {});
            for (Cookie& c : CookieFile::Parse(text))
                if (c.expiry == 0 || c.expiry > now)
                    jar.cookies.push_back(std::move(c));
        }
    } else if (kind == Kind::Firefox) {
        jar.from = "Firefox (" + which + ")";
        if (const auto folder = FirefoxCookies::ProfileFolder(home, profile, why)) {
            where = *folder + "/cookies.sqlite";
            if (auto cookies = FirefoxCookies::Read(where, now, why))
                jar.cookies = std::move(*cookies);
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
                jar.cookies = std::move(found->cookies);
                jar.undecryptable = found->undecryptable;
            }
        }
    }
    if (!why.empty()) {
        // The page is fetched without cookies; the line says which file and why.
        jar.problem = "Cookies: " + (where.empty() ? why : where + ": " + why);
        jar.cookies.clear();
        return jar;
    }
    auto lines = std::make_shared<CookieLines>();
    for (const Cookie& c : jar.cookies)
        lines->push_back(c.Line());
    jar.lines = std::move(lines);
    return jar;
}
