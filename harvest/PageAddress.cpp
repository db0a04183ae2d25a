#include "harvest/PageAddress.h"

#include "harvest/TextMatch.h"

std::string NormaliseAddress(const std::string& address) {
    if (StartsWithNoCase(address, "HTTP://") || StartsWithNoCase(address, "HTTPS://"))
        return address;
    return "http://" + address;
}
