#pragma once
// The character set a page is written in, and the page turned into UTF-8 for the parser: taken
// from a byte-order mark, else the answer's Content-Type, else a meta declaration in the first
// 1,024 bytes, else UTF-8. A page is always read to its end: where the named set does not decode
// it, it is read as UTF-8, each byte that is no UTF-8 taken as Latin-1.

#include <optional>
#include <string>
#include <string_view>

class PageCharset {
public:
    // The set's name as declared (lower case), "utf-8" when nothing declares one.
    static std::string Declared(std::string_view page, std::string_view contentType);
    // `page` in UTF-8 without a byte-order mark; nothing when the page is UTF-8 as it stands,
    // so the caller reads the page itself.
    static std::optional<std::string> ToUtf8(std::string_view page, std::string_view contentType);
    // The value of a "charset=" parameter in `text`, lower case; empty when none.
    static std::string CharsetParameter(std::string_view text);
};
