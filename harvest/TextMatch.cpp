#include "harvest/TextMatch.h"

#include <cstring>

bool StartsWithNoCase(std::string_view text, std::string_view upperNeedle) {
    if (text.size() < upperNeedle.size())
        return false;
    for (std::size_t i = 0; i < upperNeedle.size(); ++i)
        if (UpperAscii(text[i]) != upperNeedle[i])
            return false;
    return true;
}

std::size_t FindNoCase(std::string_view text, std::string_view upperNeedle) {
    if (upperNeedle.empty())
        return 0;
    if (text.size() < upperNeedle.size())
        return std::string_view::npos;
    const char first = upperNeedle[0];
    const char firstLower = (first >= 'A' && first <= 'Z') ? static_cast<char>(first + 32) : first;
    const std::size_t last = text.size() - upperNeedle.size();
    for (std::size_t i = 0; i <= last; ++i) {
        if (text[i] != first && text[i] != firstLower)
            continue;
        if (StartsWithNoCase(text.substr(i), upperNeedle))
            return i;
    }
    return std::string_view::npos;
}
