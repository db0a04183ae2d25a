#include "harvest/PageAddress.h"

#include "harvest/TextMatch.h"

std::string NormaliseAddress(const std::string& address) {
    if (StartsWithNoCase(address, "HTTP://") || StartsWithNoCase(address, "HTTPS://"))
        return address;
    return "http://" + address;
}

std::string HostOf(const std::string& address) {
    const std::size_t scheme = address.find("://");
    const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    const std::string server = address.substr(start, address.find_first_of("/?#", start) - start);
    const std::size_t colon = server.rfind(':');
    return server.substr(0, colon == std::string::npos ? server.size() : colon);
}
