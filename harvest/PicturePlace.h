#pragma once
// Where a picture stands on its page: the page's own content, or the furniture it belongs to.
// Rows that are no pictures have no place.

#include <cstdint>

enum class PicturePlace : uint8_t {
    None = 0,
    Content,
    Navigation,
    Footer,
    Aside,
    Related,
    Comments,
    Ad,
    Tracker,
    Icon,
    Card,
    Share,
    Thumbnail,
};

// "content", "navigation"...; empty for None.
const char* PlaceWord(PicturePlace place);
