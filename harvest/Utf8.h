#pragma once
// UTF-8 as the harvest checks it: overlong forms, surrogates and code points beyond U+10FFFF
// are no UTF-8.

#include <cstddef>
#include <string_view>

class Utf8 {
public:
    // The length of the valid UTF-8 sequence at `at` of `text`, 0 when there is none.
    static std::size_t SequenceLength(std::string_view text, std::size_t at);
};
