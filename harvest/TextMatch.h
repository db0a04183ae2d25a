#pragma once
// Byte-text matching that ignores case for the letters A to Z only, as the harvester compares
// everything it looks for in a page or a link.

#include <cstddef>
#include <string>
#include <string_view>

inline char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// True when `text` begins with `upperNeedle` (given in upper case).
bool StartsWithNoCase(std::string_view text, std::string_view upperNeedle);
// Position of the first occurrence of `upperNeedle` in `text`, or npos.
std::size_t FindNoCase(std::string_view text, std::string_view upperNeedle);
inline bool ContainsNoCase(std::string_view text, std::string_view upperNeedle) {
    return FindNoCase(text, upperNeedle) != std::string_view::npos;
}
