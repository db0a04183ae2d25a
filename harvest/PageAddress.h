#pragma once
// The two rewrites an address typed by the user goes through: the scheme it is given before it
// is fetched, and the escaping of bytes that cannot stand in a request.

#include <string>

// "http://" in front unless the address already begins with "http://" or "https://" (any case).
std::string NormaliseAddress(const std::string& address);

// Percent-encodes blanks, control bytes and bytes >= 0x80; everything else is kept as it is.
std::string EncodeRequestTarget(const std::string& target);
