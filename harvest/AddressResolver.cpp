#include "harvest/AddressResolver.h"

#include "net/Site.h"

#include "harvest/TextMatch.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The scheme `link` names ("mailto" of "mailto:x"), or an empty view when it names none.
std::string_view SchemeOf(std::string_view link) {
    if (link.empty() || !IsAsciiLetter(link[0]))
        return {};
    for (std::size_t i = 1; i < link.size(); ++i) {
        const char c = link[i];
        if (c == ':')
            return link.substr(0, i);
        if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return {};
    }
    return {};
}

// A part of `url` that curl hands out; empty when the URL has none.
std::string Part(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    const CURLUcode got = curl_url_get(url, part, &text, 0);
    if (got != CURLUE_OK || text == nullptr) {
        curl_free(text); // some failures still hand over a part
        return {};
    }
    std::string value(text);
    curl_free(text);
    return value;
}

} // namespace

AddressResolver::AddressResolver() : base(curl_url()) {}

AddressResolver::~AddressResolver() {
    curl_url_cleanup(base);
}

std::string AddressResolver::Cleaned(std::string_view link) {
    while (!link.empty() && IsBlank(link.front()))
        link.remove_prefix(1);
    while (!link.empty() && IsBlank(link.back()))
        link.remove_suffix(1);
    std::string out;
    out.reserve(link.size());
    for (const char c : link)
        if (c != '\t' && c != '\n' && c != '\r')
            out += c;
    return out;
}

CURLU* AddressResolver::Parse(std::string_view link) const {
    const std::string cleaned = Cleaned(link);
    if (cleaned.empty() || cleaned.front() == '#')
        return nullptr;
    const std::string_view scheme = SchemeOf(cleaned);
    if (!scheme.empty() && !(scheme.size() == 4 && StartsWithNoCase(scheme, "HTTP")) &&
        !(scheme.size() == 5 && StartsWithNoCase(scheme, "HTTPS")))
        return nullptr;
    CURLU* url = base != nullptr ? curl_url_dup(base) : nullptr;
    if (url == nullptr)
        return nullptr;
    if (curl_url_set(url, CURLUPART_URL, cleaned.c_str(), 0) != CURLUE_OK) {
        curl_url_cleanup(url);
        return nullptr;
    }
    const std::string resolvedScheme = Part(url, CURLUPART_SCHEME);
    if (resolvedScheme != "http" && resolvedScheme != "https") {
        curl_url_cleanup(url);
        return nullptr;
    }
    return url;
}

bool AddressResolver::SetBase(std::string_view address) {
    CURLU* url = Parse(address);
    if (url == nullptr)
        return false;
    curl_url_cleanup(base);
    base = url;
    return true;
}

std::optional<ResolvedLink> AddressResolver::Resolve(std::string_view link) const {
    CURLU* url = Parse(link);
    if (url == nullptr)
        return std::nullopt;
    ResolvedLink r;
    r.service = Part(url, CURLUPART_SCHEME) == "https" ? 2 : 0;
    // One host, however it is spelled: lower case, no trailing dot, an international name in
    // its ASCII form, so rows, limits, sites and names agree.
    r.server = Site::AsciiHost(Part(url, CURLUPART_HOST));
    const std::string port = Part(url, CURLUPART_PORT);
    if (!port.empty())
        r.server += ":" + port;
    r.path = Part(url, CURLUPART_PATH);
    const std::string query = Part(url, CURLUPART_QUERY);
    if (!query.empty())
        r.path += "?" + query;
    curl_url_cleanup(url);
    if (r.server.empty())
        return std::nullopt;
    return r;
}
