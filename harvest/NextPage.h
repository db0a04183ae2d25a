#pragma once
// Which page continues a gallery or a blog: a link marked rel="next", else a link that says
// "next" in one of the words below, else a link that continues the page's own number in a
// numbered sequence. Only on the page's own server, and never the page itself.

#include "harvest/LinkResolver.h"

#include <string>
#include <string_view>

class NextPage {
public:
    // The page the links are offered from (resolved, without its fragment).
    explicit NextPage(ResolvedLink page);

    // Links in page order: one marked rel="next" (a link or an a element); a link to a page
    // with its text and its aria-label.
    void OfferRel(const ResolvedLink& link);
    void OfferLink(const ResolvedLink& link, std::string_view text, std::string_view label);
    // The whole address of the page chosen, empty for none.
    std::string Chosen() const;

    // True when `text`, its blanks collapsed, trimmed and case-folded, is a word of the table
    // that says "next page".
    static bool SaysNext(std::string_view text);
    // True when `candidate` continues `page`'s number by one in a numbered sequence (?page=N,
    // &p=N, /page/N/, /N/ at the path's end, -pN); a page with no number in its address is page
    // 1. Both are paths with their queries.
    static bool Continues(const std::string& page, const std::string& candidate);

private:
    bool Eligible(const ResolvedLink& link) const;

    ResolvedLink page;
    std::string byRel, byWord, byNumber;
};
