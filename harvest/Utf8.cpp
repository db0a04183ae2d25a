#include "harvest/Utf8.h"

#include <algorithm>

std::size_t Utf8::SequenceLength(std::string_view text, std::size_t at) {
    const auto b = static_cast<unsigned char>(text[at]);
    if (b < 0x80)
        return 1;
    const std::size_t n = b >= 0xC2 && b <= 0xDF   ? 2
                          : b >= 0xE0 && b <= 0xEF ? 3
                          : b >= 0xF0 && b <= 0xF4 ? 4
                                                   : 0;
    if (n == 0 || at + n > text.size())
        return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    const auto b1 = static_cast<unsigned char>(text[at + 1]);
    // Overlong forms, surrogates and code points beyond U+10FFFF are no UTF-8.
    if ((b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 > 0x9F) || (b == 0xF0 && b1 < 0x90) ||
        (b == 0xF4 && b1 > 0x8F))
        return 0;
    return n;
}

std::string Utf8::SafeFileName(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = SequenceLength(text, i);
        const std::string_view c = text.substr(i, std::max<std::size_t>(n, 1));
        const auto b0 = static_cast<unsigned char>(c[0]);
        const auto b1 = c.size() > 1 ? static_cast<unsigned char>(c[1]) : 0;
        const auto b2 = c.size() > 2 ? static_cast<unsigned char>(c[2]) : 0;
        const bool control = b0 < 0x20 || b0 == 0x7F || (b0 == 0xC2 && b1 < 0xA0);
        const bool turning =
            b0 == 0xE2 &&
            ((b1 == 0x80 && (b2 == 0x8E || b2 == 0x8F || (b2 >= 0xAA && b2 <= 0xAE))) ||
             (b1 == 0x81 && b2 >= 0xA6 && b2 <= 0xA9));
        if (n == 0 || control || turning || c == "/" || c == "\\")
            out += '_';
        else
            out.append(c);
        i += c.size();
    }
    out.erase(0, std::min(out.find_first_not_of('.'), out.size()));
    return out;
}
