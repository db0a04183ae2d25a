#include "net/Site.h"

#include <algorithm>
#include <arpa/inet.h>
#include <idn2.h>
#include <libpsl.h>

namespace {

// The authority of an address: what stands between "//" and the path, query or fragment.
std::string_view Authority(std::string_view address) {
    const std::size_t scheme = address.find("://");
    const std::size_t start = scheme == std::string_view::npos ? 0 : scheme + 3;
    const std::size_t end = address.find_first_of("/?#", start);
    std::string_view authority = address.substr(start, end - start);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    return authority;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return lower;
}

const psl_ctx_t* Suffixes() {
    // Read once; the list is only ever read afterwards, from any thread.
    static const psl_ctx_t* const list = [] {
        const psl_ctx_t* latest = psl_latest(nullptr);
        return latest != nullptr ? latest : psl_builtin();
    }();
    return list;
}

bool IsAddress(const std::string& host) {
    unsigned char bytes[16];
    return (!host.empty() && host.front() == '[') || inet_pton(AF_INET, host.c_str(), bytes) == 1 ||
           inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

} // namespace

std::string Site::ServerOf(std::string_view address) {
    std::string server = Lower(Authority(address));
    // A trailing dot names the same host.
    const std::size_t colon = server.rfind(':');
    const std::size_t hostEnd =
        colon != std::string::npos && server.find(']', colon) == std::string::npos ? colon
                                                                                   : server.size();
    if (hostEnd > 0 && server[hostEnd - 1] == '.')
        server.erase(hostEnd - 1, 1);
    return server;
}

std::string Site::HostOf(std::string_view address) {
    const std::string server = ServerOf(address);
    if (!server.empty() && server.front() == '[')
        return server.substr(0, server.find(']') + 1);
    return server.substr(0, server.rfind(':'));
}

std::string Site::OriginOf(std::string_view address) {
    const std::size_t scheme = address.find("://");
    if (scheme == std::string_view::npos)
        return {};
    return Lower(address.substr(0, scheme)) + "://" + ServerOf(address);
}

std::string Site::Of(std::string_view host) {
    std::string lower = Lower(host);
    if (!lower.empty() && lower.front() == '.')
        lower.erase(0, 1);
    if (lower.find('.') == std::string::npos || IsAddress(lower))
        return lower;
    const char* registrable = psl_registrable_domain(Suffixes(), lower.c_str());
    return registrable != nullptr ? std::string(registrable) : lower;
}

std::string Site::AsciiHost(std::string_view host) {
    std::string name(host);
    if (name.size() > 1 && name.back() == '.' && name.find_first_not_of('.') != std::string::npos)
        name.pop_back();
    if (std::any_of(name.begin(), name.end(), [](char c) { return (c & 0x80) != 0; })) {
        char* ascii = nullptr;
        if (idn2_to_ascii_8z(name.c_str(), &ascii, IDN2_NONTRANSITIONAL) == IDN2_OK &&
            ascii != nullptr)
            name = ascii;
        idn2_free(ascii);
    }
    return Lower(name);
}

bool Site::IsWeb(std::string_view address) {
    return IsHttps(address) || (address.size() >= 7 && Lower(address.substr(0, 7)) == "http://");
}

bool Site::IsHttps(std::string_view address) {
    return address.size() >= 8 && Lower(address.substr(0, 8)) == "https://";
}
