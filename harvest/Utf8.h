#pragma once
// UTF-8 as the harvest checks it: overlong forms, surrogates and code points beyond U+10FFFF
// are no UTF-8. And a name made safe to show and to save as one file or folder name.

#include <cstddef>
#include <string>
#include <string_view>

class Utf8 {
public:
    // The length of the valid UTF-8 sequence at `at` of `text`, 0 when there is none.
    static std::size_t SequenceLength(std::string_view text, std::size_t at);
    // `text` as one file name: each byte of no UTF-8 character, each control character (C0,
    // DEL and C1), '/', '\\' and each mark that turns text around (U+200E, U+200F,
    // U+202A-U+202E, U+2066-U+2069: "\u202Egpj.exe" shows as "exe.jpg") becomes '_'; leading
    // dots go.
    static std::string SafeFileName(std::string_view text);
};
