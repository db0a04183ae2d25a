#pragma once
// Walks a page's text once and picks out the SRC= values of IMG tags, the HREF= values of tags
// whose name begins with A, and the page title. It recognises these patterns and nothing else:
// no comments, scripts, entities or base addresses.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Receives what the scan finds, in page order.
class ScanListener {
public:
    virtual ~ScanListener() = default;
    // A link value, empty ones included; attributeKind 0 for IMG SRC=, 1 for A... HREF=.
    virtual void OnLink(const std::string& value, const std::string& pageAddress,
                        int32_t attributeKind) = 0;
    // A TITLE> element begins: the title is empty until OnTitle says otherwise.
    virtual void OnTitleCleared() = 0;
    // The text of a complete title, at most 500 bytes.
    virtual void OnTitle(const std::string& title) = 0;
};

class PageScanner {
public:
    static constexpr std::size_t titleLimit = 500;

    // Scans `page` up to its end or its first NUL byte.
    static void ScanPage(std::string_view page, const std::string& pageAddress,
                         ScanListener& listener);

    // The value that follows a match of " SRC=" (length 5) or " HREF=" (length 6) at position
    // `match` of `tagText`. Never reads past the tag text; a quoted value whose closing quote is
    // missing runs to the end of the tag text, without its closing '>'.
    static std::string ReadAttributeValue(std::string_view tagText, std::size_t match,
                                          std::size_t searchedLength);

private:
    // The IMG or A tag whose name starts at p: reports the value of its first `attribute`
    // match and leaves p on the tag's '>'. False when the page ends before the tag does.
    static bool ScanTag(std::string_view page, std::size_t& p, std::string_view attribute,
                        int32_t attributeKind, const std::string& pageAddress,
                        ScanListener& listener);
};
