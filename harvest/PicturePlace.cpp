#include "harvest/PicturePlace.h"

const char* PlaceWord(PicturePlace place) {
    static const char* const words[] = {"",        "content",  "navigation", "footer",  "aside",
                                        "related", "comments", "ad",         "tracker", "icon",
                                        "card",    "share",    "thumbnail"};
    const auto index = static_cast<std::size_t>(place);
    return index < sizeof words / sizeof *words ? words[index] : "";
}
