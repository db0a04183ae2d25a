#pragma once
// The escaping an address goes through before it is requested: bytes that cannot stand in a
// request target are percent-encoded; everything else is sent as written.

#include <string>

// Percent-encodes blanks, control bytes and bytes >= 0x80; everything else is kept as it is.
std::string EncodeRequestTarget(const std::string& target);
