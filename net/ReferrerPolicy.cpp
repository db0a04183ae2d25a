#include "net/ReferrerPolicy.h"

#include "net/Site.h"

#include <utility>

namespace {

using Kind = ReferrerPolicy::Kind;

constexpr std::pair<Kind, const char*> words[] = {
    {Kind::StrictOriginWhenCrossOrigin, "strict-origin-when-cross-origin"},
    {Kind::NoReferrer, "no-referrer"},
    {Kind::NoReferrerWhenDowngrade, "no-referrer-when-downgrade"},
    {Kind::Origin, "origin"},
    {Kind::OriginWhenCrossOrigin, "origin-when-cross-origin"},
    {Kind::SameOrigin, "same-origin"},
    {Kind::StrictOrigin, "strict-origin"},
    {Kind::UnsafeUrl, "unsafe-url"},
};

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20))
            return false;
    return true;
}

// The address as a Referer: no fragment, no user name or password.
std::string Stripped(const std::string& address) {
    std::string text = address.substr(0, address.find('#'));
    const std::size_t scheme = text.find("://");
    if (scheme != std::string::npos) {
        const std::size_t start = scheme + 3;
        const std::size_t end = std::min(text.find_first_of("/?", start), text.size());
        const std::size_t at = text.rfind('@', end);
        if (at != std::string::npos && at >= start)
            text.erase(start, at + 1 - start);
    }
    return text;
}

} // namespace

std::optional<ReferrerPolicy::Kind> ReferrerPolicy::Parse(std::string_view value) {
    std::optional<Kind> found;
    while (!value.empty()) {
        const std::size_t comma = value.find(',');
        const std::string_view token = Trimmed(value.substr(0, comma));
        value.remove_prefix(comma == std::string_view::npos ? value.size() : comma + 1);
        for (const auto& [kind, word] : words)
            if (SameNoCase(token, word))
                found = kind;
    }
    return found;
}

const char* ReferrerPolicy::Word(Kind kind) {
    for (const auto& [k, word] : words)
        if (k == kind)
            return word;
    return words[0].second;
}

std::string ReferrerPolicy::RefererFor(Kind kind, const std::string& page,
                                       const std::string& target) {
    if (page.empty())
        return {};
    const bool sameOrigin = Site::OriginOf(page) == Site::OriginOf(target);
    const bool downgrade = Site::IsHttps(page) && !Site::IsHttps(target);
    const std::string whole = Stripped(page);
    const std::string origin = Site::OriginOf(page) + "/";
    switch (kind) {
    case Kind::NoReferrer:
        return {};
    case Kind::NoReferrerWhenDowngrade:
        return downgrade ? std::string() : whole;
    case Kind::Origin:
        return origin;
    case Kind::OriginWhenCrossOrigin:
        return sameOrigin ? whole : origin;
    case Kind::SameOrigin:
        return sameOrigin ? whole : std::string();
    case Kind::StrictOrigin:
        return downgrade ? std::string() : origin;
    case Kind::UnsafeUrl:
        return whole;
    case Kind::StrictOriginWhenCrossOrigin:
        break;
    }
    return sameOrigin ? whole : downgrade ? std::string() : origin;
}
