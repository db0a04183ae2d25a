#pragma once
// The words of class and id names that say what an element is: furniture of some kind, the
// page's own content, or a block unlikely to hold the article. Words are whole tokens (split at
// '-', '_', blanks and case changes; trailing digits dropped); a token after a state word
// ("has", "show", "is"...) names a state of the element, not a place, to the end of that name.

#include <cstdint>
#include <string_view>

namespace PlaceWords {

enum Word : uint32_t {
    Nav = 1u << 0,
    Footer = 1u << 1,
    Aside = 1u << 2,
    Comment = 1u << 3,
    Author = 1u << 4, // an author box, an avatar
    Ad = 1u << 5,
    Share = 1u << 6,
    Icon = 1u << 7,
    Related = 1u << 8,
    Content = 1u << 9, // the page's own: article, post, story...
    Hidden = 1u << 10,
    Unlikely = 1u << 11, // a block unlikely to hold the article, unless it says Maybe too
    Maybe = 1u << 12,
    Negative = 1u << 13, // lowers a block's score
    Header = 1u << 14,   // a header: the site's, or an article's
    Byline = 1u << 15,
    Signature = 1u << 16, // a post's signature
    Panel = 1u << 17,     // a fold of an accordion or a tab's pane: shown by a click
};

// The flags of every word of `names` (a class or id attribute).
uint32_t Of(std::string_view names);

} // namespace PlaceWords
