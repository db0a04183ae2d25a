#pragma once
// The scheme an address typed by the user is given before it is fetched.

#include <string>

// "http://" in front unless the address already begins with "http://" or "https://" (any case).
std::string NormaliseAddress(const std::string& address);
