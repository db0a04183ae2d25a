#pragma once
// The scheme an address typed by the user is given before it is fetched, and its host.

#include <string>

// "http://" in front unless the address already begins with "http://" or "https://" (any case).
std::string NormaliseAddress(const std::string& address);
// The host of an address, without its port: what its cookies are counted for.
std::string HostOf(const std::string& address);
