#include "harvest/PageScanner.h"

#include "harvest/TextMatch.h"

#include <cstring>

namespace {

// The tag text from `start` to the next '>' (included), or an empty view when the page ends
// first.
std::string_view TagText(std::string_view page, std::size_t start) {
    const std::size_t close = page.find('>', start);
    if (close == std::string_view::npos)
        return {};
    return page.substr(start, close - start + 1);
}

bool IsLetter(std::string_view page, std::size_t p, char upper) {
    return p < page.size() && UpperAscii(page[p]) == upper;
}

} // namespace

bool PageScanner::ScanTag(std::string_view page, std::size_t& p, std::string_view attribute,
                          int32_t attributeKind, const std::string& pageAddress,
                          ScanListener& listener) {
    const std::string_view tag = TagText(page, p);
    if (tag.empty())
        return false;
    const std::size_t match = FindNoCase(tag, attribute);
    if (match != std::string_view::npos)
        listener.OnLink(ReadAttributeValue(tag, match, attribute.size()), pageAddress,
                        attributeKind);
    p += tag.size() - 1; // on the tag's '>', where no later test can match
    return true;
}

std::string PageScanner::ReadAttributeValue(std::string_view tagText, std::size_t match,
                                            std::size_t searchedLength) {
    std::size_t j = match + searchedLength;
    if (j < tagText.size() && tagText[j] == '\\')
        ++j;
    if (j >= tagText.size())
        return {};
    // The '>' that closes the tag is not part of any value.
    const std::size_t tagEnd = tagText.back() == '>' ? tagText.size() - 1 : tagText.size();

    std::string_view value;
    const char c = tagText[j];
    if (c == '"' || c == '\'') {
        const std::size_t close = tagText.find(c, j + 1);
        const std::size_t end = close == std::string_view::npos ? tagEnd : close;
        value = j + 1 < end ? tagText.substr(j + 1, end - j - 1) : std::string_view{};
    } else {
        const std::size_t end = tagText.find_first_of(" >", j);
        value = tagText.substr(j, (end == std::string_view::npos ? tagText.size() : end) - j);
    }
    if (!value.empty() && value.back() == '\\')
        value.remove_suffix(1);
    return std::string(value);
}

void PageScanner::ScanPage(std::string_view page, const std::string& pageAddress,
                           ScanListener& listener) {
    const void* nul = std::memchr(page.data(), '\0', page.size());
    if (nul != nullptr)
        page = page.substr(0, static_cast<const char*>(nul) - page.data());

    std::size_t p = 0;
    for (;;) {
        p = page.find('<', p);
        if (p == std::string_view::npos)
            return;
        ++p; // the first character of the tag's name

        if (IsLetter(page, p, 'I') && IsLetter(page, p + 1, 'M') && IsLetter(page, p + 2, 'G') &&
            !ScanTag(page, p, " SRC=", 0, pageAddress, listener))
            return;
        if (IsLetter(page, p, 'A') && !ScanTag(page, p, " HREF=", 1, pageAddress, listener))
            return;
        if (StartsWithNoCase(page.substr(p), "TITLE") && p + 5 < page.size() &&
            page[p + 5] == '>') {
            listener.OnTitleCleared();
            const std::size_t s = p + 6;
            const std::size_t q = page.find('<', s);
            if (q == std::string_view::npos)
                return;
            listener.OnTitle(std::string(page.substr(s, std::min(q - s, titleLimit))));
            p = q; // the scan goes on at the '<' that ends the title text
        }
    }
}
