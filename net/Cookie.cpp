#include "net/Cookie.h"

#include <algorithm>

namespace {

bool Plain(std::string_view text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

} // namespace

std::string Cookie::Line() const {
    const bool subdomains = !domain.empty() && domain.front() == '.';
    return (httpOnly ? "#HttpOnly_" : "") + domain + "\t" + (subdomains ? "TRUE" : "FALSE") + "\t" +
           path + "\t" + (secure ? "TRUE" : "FALSE") + "\t" + std::to_string(expiry) + "\t" + name +
           "\t" + value;
}

bool Cookie::ForHost(std::string_view host) const {
    if (domain.empty())
        return false;
    if (domain.front() != '.')
        return SameNoCase(host, domain);
    const std::string_view bare = std::string_view(domain).substr(1);
    return SameNoCase(host, bare) || (host.size() > domain.size() &&
                                      SameNoCase(host.substr(host.size() - domain.size()), domain));
}

bool Cookie::Sound() const {
    return !domain.empty() && !name.empty() && Plain(domain) && Plain(path) && Plain(name) &&
           Plain(value) && domain.find(' ') == std::string::npos;
}
