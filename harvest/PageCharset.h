#pragma once
// The character set a page is written in, and the page turned into UTF-8 for the parser: its
// byte-order mark; else UTF-8 when the whole page is valid UTF-8 beyond ASCII (a page in another
// set practically never is); else the set the answer's Content-Type or a meta element in the
// first 1,024 bytes names, its label read as browsers read it; else windows-1252. A byte that
// does not decode is U+FFFD and the next byte goes on, so one bad byte costs one character.

#include <optional>
#include <string>
#include <string_view>

class PageCharset {
public:
    // The set declared, as iconv names it; "windows-1252" when nothing declares one.
    static std::string Declared(std::string_view page, std::string_view contentType);
    // `page` in UTF-8 without a byte-order mark or NUL; nothing when the page is UTF-8 as it
    // stands, so the caller reads the page itself.
    static std::optional<std::string> ToUtf8(std::string_view page, std::string_view contentType);
    // The value of a "charset=" parameter in `text`, lower case; empty when none.
    static std::string CharsetParameter(std::string_view text);
};
