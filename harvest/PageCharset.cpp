#include "harvest/PageCharset.h"

#include "harvest/TextMatch.h"
#include "harvest/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace {

constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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
        const std::size_t n = Utf8::SequenceLength(text, at);
        if (n == 0)
            return false;
        at += n;
    }
    return true;
}

constexpr std::string_view replacement = "\xEF\xBF\xBD"; // U+FFFD

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// windows-1252 as browsers read it (and read iso-8859-1 and us-ascii): 0x81, 0x8D, 0x8F, 0x90
// and 0x9D stand for those code points.
std::string FromWindows1252(std::string_view text) {
    static constexpr uint16_t high[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        AppendUtf8(out, b >= 0x80 && b < 0xA0 ? high[b - 0x80] : b);
    }
    return out;
}

// UTF-8 as it stands; each byte that starts no valid sequence is U+FFFD.
std::string Utf8Repaired(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = Utf8::SequenceLength(text, at);
        out.append(n > 0 ? text.substr(at, n) : replacement);
        at += n > 0 ? n : 1;
    }
    return out;
}

// `text` converted from `charset` by iconv, a byte that does not decode standing as U+FFFD;
// false when iconv does not know the set.
bool Convert(std::string_view text, const std::string& charset, std::string& out) {
    const iconv_t cd = ::iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.assign(text.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    std::size_t done = 0;
    while (inLeft > 0) {
        char* to = out.data() + done;
        std::size_t outLeft = out.size() - done;
        const std::size_t r = ::iconv(cd, &in, &inLeft, &to, &outLeft);
        done = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG || out.size() - done < replacement.size()) {
            out.resize(out.size() * 2);
            continue;
        }
        // One byte that does not decode costs one character; the next byte goes on.
        out.replace(done, replacement.size(), replacement);
        done += replacement.size();
        ++in;
        --inLeft;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    ::iconv_close(cd);
    out.resize(done);
    return true;
}

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ':';
}

// The set browsers read under a label (the labels of the web's encoding standard that differ
// from what iconv would read), as iconv names it.
std::string Canonical(const std::string& label) {
    static constexpr std::pair<std::string_view, std::string_view> labels[] = {
        {"ascii", "windows-1252"},
        {"cp1252", "windows-1252"},
        {"cp819", "windows-1252"},
        {"ibm819", "windows-1252"},
        {"iso-8859-1", "windows-1252"},
        {"iso8859-1", "windows-1252"},
        {"iso_8859-1", "windows-1252"},
        {"l1", "windows-1252"},
        {"latin1", "windows-1252"},
        {"us-ascii", "windows-1252"},
        {"x-cp1252", "windows-1252"},
        {"shift_jis", "CP932"},
        {"shift-jis", "CP932"},
        {"sjis", "CP932"},
        {"x-sjis", "CP932"},
        {"ms_kanji", "CP932"},
        {"windows-31j", "CP932"},
        {"csshiftjis", "CP932"},
        {"euc-kr", "CP949"},
        {"ks_c_5601-1987", "CP949"},
        {"ks_c_5601-1989", "CP949"},
        {"ksc5601", "CP949"},
        {"korean", "CP949"},
        {"windows-949", "CP949"},
        {"gb2312", "GB18030"},
        {"gbk", "GB18030"},
        {"x-gbk", "GB18030"},
        {"chinese", "GB18030"},
        {"csgb2312", "GB18030"},
        {"gb_2312-80", "GB18030"},
        {"big5", "BIG5-HKSCS"},
        {"big5-hkscs", "BIG5-HKSCS"},
        {"x-mac-cyrillic", "MACCYRILLIC"},
        {"x-mac-ukrainian", "MACCYRILLIC"},
        {"x-mac-roman", "MACINTOSH"},
        {"mac", "MACINTOSH"},
        {"tis-620", "CP874"},
        {"iso-8859-11", "CP874"},
        {"iso-8859-9", "windows-1254"},
        {"latin5", "windows-1254"},
        {"utf8", "utf-8"},
        {"unicode-1-1-utf-8", "utf-8"},
        {"utf-16", "utf-16le"},
        {"ucs-2", "utf-16le"},
        {"iso-10646-ucs-2", "utf-16le"},
        {"csunicode", "utf-16le"},
        {"unicode", "utf-16le"},
        {"unicodefeff", "utf-16le"},
        {"unicodefffe", "utf-16be"},
    };
    for (const auto& [name, set] : labels)
        if (label == name)
            return std::string(set);
    return label;
}

// The labels of the web's encoding standard: a label not among them names no set a browser
// reads, and is passed over as if absent.
constexpr std::string_view knownLabels =
    " unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8 866 cp866 "
    "csibm866 ibm866 csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 "
    "iso_8859-2:1987 l2 latin2 csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 "
    "iso_8859-3:1988 l3 latin3 csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 "
    "iso_8859-4:1988 l4 latin4 csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 "
    "iso88595 iso_8859-5 iso_8859-5:1988 arabic asmo-708 csiso88596e csiso88596i "
    "csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e iso-8859-6-i iso-ir-127 iso8859-6 "
    "iso88596 iso_8859-6 iso_8859-6:1987 csisolatingreek ecma-118 elot_928 greek greek8 "
    "iso-8859-7 iso-ir-126 iso8859-7 iso88597 iso_8859-7 iso_8859-7:1987 sun_eu_greek "
    "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 "
    "iso_8859-8 iso_8859-8:1988 visual csiso88598i iso-8859-8-i logical csisolatin6 iso-8859-10 "
    "iso-ir-157 iso8859-10 iso885910 l6 latin6 iso-8859-13 iso8859-13 iso885913 iso-8859-14 "
    "iso8859-14 iso885914 csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9 "
    "iso-8859-16 cskoi8r koi koi8 koi8-r koi8_r koi8-ru koi8-u csmacintosh mac macintosh "
    "x-mac-roman dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874 cp1250 "
    "windows-1250 x-cp1250 cp1251 windows-1251 x-cp1251 ansi_x3.4-1968 ascii cp1252 cp819 "
    "csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 iso_8859-1 iso_8859-1:1987 l1 "
    "latin1 us-ascii windows-1252 x-cp1252 cp1253 windows-1253 x-cp1253 cp1254 csisolatin5 "
    "iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 latin5 "
    "windows-1254 x-cp1254 cp1255 windows-1255 x-cp1255 cp1256 windows-1256 x-cp1256 cp1257 "
    "windows-1257 x-cp1257 cp1258 windows-1258 x-cp1258 x-mac-cyrillic x-mac-ukrainian chinese "
    "csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk gb18030 big5 "
    "big5-hkscs cn-big5 csbig5 x-x-big5 cseucpkdfmtjapanese euc-jp x-euc-jp csiso2022jp "
    "iso-2022-jp csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis cseuckr "
    "csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 "
    "windows-949 unicodefffe utf-16be csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff "
    "utf-16 utf-16le x-user-defined ";
// The labels of the 16-bit sets, which a meta element cannot truly declare (its own bytes
// were read as ASCII): the page is UTF-8.
constexpr std::string_view utf16Labels =
    " unicodefffe utf-16be csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le ";

bool Among(std::string_view list, const std::string& label) {
    return list.find(" " + label + " ") != std::string_view::npos;
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
    if (std::string fromHeader = CharsetParameter(contentType); Among(knownLabels, fromHeader))
        return Canonical(fromHeader);

    // Only a meta element's charset counts, not a script's.
    const std::string_view head = page.substr(0, 1024);
    for (std::size_t at = FindNoCase(head, "<META"); at != std::string_view::npos;) {
        const std::size_t end = head.find('>', at);
        const std::string_view tag =
            head.substr(at, end == std::string_view::npos ? end : end - at);
        if (std::string name = CharsetParameter(tag); Among(knownLabels, name))
            return Among(utf16Labels, name) ? "utf-8" : Canonical(name);
        const std::size_t next = FindNoCase(head.substr(at + 5), "<META");
        at = next == std::string_view::npos ? next : at + 5 + next;
    }
    return "windows-1252";
}

std::optional<std::string> PageCharset::ToUtf8(std::string_view page,
                                               std::string_view contentType) {
    std::string utf8;
    const bool utf16 = page.substr(0, 2) == "\xFF\xFE" || page.substr(0, 2) == "\xFE\xFF";
    if (page.substr(0, 3) == utf8Mark) {
        utf8 = Utf8Repaired(page.substr(3));
    } else if (utf16) {
        Convert(page.substr(2), page[0] == '\xFF' ? "UTF-16LE" : "UTF-16BE", utf8);
    } else if (IsUtf8(page) && !IsAscii(page)) {
        // A page in another set is practically never valid UTF-8, whatever it declares.
        if (page.find('\0') == std::string_view::npos)
            return std::nullopt;
        utf8 = page;
    } else {
        const std::string charset = Declared(page, contentType);
        // ASCII reads the same in every set but the 7-bit and 16-bit ones.
        if (IsAscii(page) && charset.rfind("ISO-2022", 0) != 0 &&
            charset.rfind("iso-2022", 0) != 0 && charset.rfind("utf-16", 0) != 0 &&
            page.find('\0') == std::string_view::npos)
            return std::nullopt;
        if (charset == "utf-8")
            utf8 = Utf8Repaired(page);
        else if (charset == "windows-1252" || !Convert(page, charset, utf8))
            utf8 = FromWindows1252(page);
    }
    // The parser reads no NUL: once the text is UTF-8, none is left.
    utf8.erase(std::remove(utf8.begin(), utf8.end(), '\0'), utf8.end());
    return utf8;
}
