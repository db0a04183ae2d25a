#include "net/CookieJar.h"

#include "net/CookieFile.h"
#include "net/Site.h"

#include <algorithm>

namespace {

const CookieLines none;

// The domain field of an engine line, without the "#HttpOnly_" mark.
std::string DomainOf(const std::string& line) {
    constexpr std::string_view httpOnly = "#HttpOnly_";
    const std::size_t start = line.compare(0, httpOnly.size(), httpOnly) == 0 ? httpOnly.size() : 0;
    return line.substr(start, line.find('\t', start) - start);
}

bool PathAllows(const std::string& cookiePath, const std::string& requestPath) {
    if (cookiePath.empty() || cookiePath == "/")
        return true;
    if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0)
        return false;
    return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' ||
           requestPath[cookiePath.size()] == '/';
}

} // namespace

void CookieJar::Add(const Cookie& cookie) {
    filling[Site::Of(cookie.domain)].push_back(cookie.Line());
    ++count;
}

void CookieJar::Seal() {
    for (auto& [site, lines] : filling) {
        lines.shrink_to_fit();
        bySite.emplace(site, std::make_shared<const CookieLines>(std::move(lines)));
    }
    filling = {};
}

const CookieLines& CookieJar::OfSite(const std::string& site) const {
    const auto found = bySite.find(site);
    return found == bySite.end() ? none : *found->second;
}

std::size_t CookieJar::CountFor(const std::string& address) const {
    const std::string host = Site::HostOf(address);
    const CookieLines& lines = OfSite(Site::Of(host));
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    const std::size_t scheme = address.find("://");
    const std::size_t slash = address.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    std::string path = slash == std::string::npos ? "/" : address.substr(slash);
    path = path.substr(0, path.find_first_of("?#"));
    const bool https = Site::IsHttps(address);
    const std::vector<Cookie> cookies = CookieFile::Parse(text);
    return static_cast<std::size_t>(
        std::count_if(cookies.begin(), cookies.end(), [&](const Cookie& c) {
            return c.ForHost(host) && (https || !c.secure) && PathAllows(c.path, path);
        }));
}

std::shared_ptr<const CookieJar> CookieJar::With(const std::vector<std::string>& sites,
                                                 const CookieLines& after) const {
    auto jar = std::make_shared<CookieJar>(*this);
    for (const std::string& site : sites)
        if (const auto found = jar->bySite.find(site); found != jar->bySite.end()) {
            jar->count -= found->second->size();
            jar->bySite.erase(found);
        }
    std::unordered_map<std::string, CookieLines> grouped;
    for (const std::string& line : after)
        grouped[Site::Of(DomainOf(line))].push_back(line);
    for (auto& [site, lines] : grouped) {
        auto& group = jar->bySite[site];
        CookieLines joined = group ? *group : CookieLines{};
        jar->count += lines.size();
        joined.insert(joined.end(), lines.begin(), lines.end());
        group = std::make_shared<const CookieLines>(std::move(joined));
    }
    return jar;
}
