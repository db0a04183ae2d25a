#include "harvest/PageCharset.h"

#include "harvest/TextMatch.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace {

constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";

// The length of the valid UTF-8 sequence at `at`, 0 when there is none.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
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

bool IsUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        // Eight bytes of ASCII at a time: most of a page is.
        uint64_t word;
        if (at + 8 <= text.size() && (std::memcpy(&word, text.data() + at, 8), true) &&
            (word & 0x8080808080808080ull) == 0) {
            at += 8;
            continue;
        }
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        const std::size_t n = SequenceLength(text, at);
        if (n == 0)
            return false;
        at += n;
    }
    return true;
}

// UTF-8 as it stands; a byte that starts no valid sequence is a Latin-1 character.
std::string Utf8OrLatin1(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = SequenceLength(text, at);
        if (n > 0) {
            out.append(text.substr(at, n));
            at += n;
        } else {
            const auto b = static_cast<unsigned char>(text[at++]);
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

// `text` converted from `charset`; false when the set is unknown or the text does not decode.
bool Convert(std::string_view text, const std::string& charset, std::string& out) {
    const iconv_t cd = ::iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.assign(text.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    std::size_t done = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* to = out.data() + done;
        std::size_t outLeft = out.size() - done;
        const std::size_t r = ::iconv(cd, &in, &inLeft, &to, &outLeft);
        done = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        ok = false; // a byte the set does not know, or a sequence cut off at the end
        break;
    }
    ::iconv_close(cd);
    out.resize(done);
    return ok;
}

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ':';
}

// What browsers read under these names.
std::string Canonical(std::string name) {
    if (name == "iso-8859-1" || name == "latin1" || name == "us-ascii" || name == "ascii" ||
        name == "iso8859-1")
        return "windows-1252";
    if (name == "gb2312")
        return "gbk";
    if (name == "utf8")
        return "utf-8";
    return name;
}

} // namespace

std::string PageCharset::CharsetParameter(std::string_view text) {
    for (std::size_t from = 0;;) {
        const std::size_t found = FindNoCase(text.substr(from), "CHARSET");
        if (found == std::string_view::npos)
            return {};
        std::size_t p = from + found + 7;
        from = p;
        while (p < text.size() && text[p] == ' ')
            ++p;
        if (p >= text.size() || text[p] != '=')
            continue;
        ++p;
        while (p < text.size() && (text[p] == ' ' || text[p] == '"' || text[p] == '\''))
            ++p;
        std::string name;
        for (; p < text.size() && IsNameChar(text[p]); ++p)
            name += text[p] >= 'A' && text[p] <= 'Z' ? static_cast<char>(text[p] + 32) : text[p];
        if (!name.empty())
            return name;
    }
}

std::string PageCharset::Declared(std::string_view page, std::string_view contentType) {
    if (page.substr(0, 3) == utf8Mark)
        return "utf-8";
    if (page.substr(0, 2) == "\xFF\xFE")
        return "utf-16le";
    if (page.substr(0, 2) == "\xFE\xFF")
        return "utf-16be";
    if (std::string fromHeader = CharsetParameter(contentType); !fromHeader.empty())
        return Canonical(fromHeader);
    // Only a meta element's charset counts, not a script's.
    const std::string_view head = page.substr(0, 1024);
    for (std::size_t at = FindNoCase(head, "<META"); at != std::string_view::npos;) {
        const std::size_t end = head.find('>', at);
        const std::string_view tag =
            head.substr(at, end == std::string_view::npos ? end : end - at);
        if (std::string name = CharsetParameter(tag); !name.empty())
            return Canonical(name);
        const std::size_t next = FindNoCase(head.substr(at + 5), "<META");
        at = next == std::string_view::npos ? next : at + 5 + next;
    }
    return "utf-8";
}

std::optional<std::string> PageCharset::ToUtf8(std::string_view page,
                                               std::string_view contentType) {
    const std::string charset = Declared(page, contentType);
    const bool marked = page.substr(0, 3) == utf8Mark ||
                        (charset.rfind("utf-16", 0) == 0 &&
                         (page.substr(0, 2) == "\xFF\xFE" || page.substr(0, 2) == "\xFE\xFF"));
    if (marked)
        page.remove_prefix(page.substr(0, 3) == utf8Mark ? 3 : 2);
    std::string converted;
    if (charset != "utf-8" && Convert(page, charset, converted))
        return converted;
    if (IsUtf8(page))
        return marked ? std::optional<std::string>(std::string(page)) : std::nullopt;
    return Utf8OrLatin1(page);
}
