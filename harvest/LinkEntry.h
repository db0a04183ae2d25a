#pragma once
// One link harvested from the current page: one row of the File List.

#include "harvest/FileCategory.h"
#include "harvest/PicturePlace.h"

#include <cstdint>
#include <string>

struct LinkEntry {
    FileCategory category = FileCategory::Excluded;
    std::string path = {};   // path on the server; the duplicate key
    std::string name = {};   // file name shown in the lists
    std::string server = {}; // host name, with a port when the link named one
    int32_t service = 0;     // 0 HTTP, 1 FTP, 2 HTTPS
    int32_t size = 0;
    int32_t attributeKind = 0; // 0 an IMG SRC value, 1 an A... HREF value
    // Modern rows: where a picture stands on its page, and its declared size (0 unknown).
    PicturePlace place = PicturePlace::None;
    int32_t width = 0;
    int32_t height = 0;
    std::string wrapPage = {}; // a picture inside a link to another page: that page's whole address
    std::string page = {};     // the page a row behind a link came from; empty: the table's page
    int32_t pageIndex = 0;     // 0 a row of the table's page, N one of its N-th next page
    // For name masks: its number on the page (the page's content first, then every other row,
    // each in the page's order, from 1), a picture's alt text or a link's text, and for a row
    // behind a link the title of the gallery it stands for (empty: the table's page title).
    uint32_t number = 0;
    std::string text = {};
    std::string title = {};
    // A smaller size of a picture for its thumbnail (the smallest srcset candidate at least
    // 160 px wide); empty: the picture itself.
    std::string preview = {};
    // What a probe of its first bytes found: the size in pixels as shown (0 unknown), the whole
    // file's bytes (-1 unknown) and the type the bytes show ("image/jpeg"...; empty unknown).
    int32_t realWidth = 0;
    int32_t realHeight = 0;
    int64_t bytes = -1;
    std::string mediaType = {};
    bool probed = false; // a probe answered, whether or not it found the size
    // The user's word on a picture's place, over the harvest's.
    enum class Mark : uint8_t { None, Content, NotContent };
    Mark mark = Mark::None;

    bool IsPicture() const {
        return category == FileCategory::Jpeg || category == FileCategory::Gif ||
               category == FileCategory::Image;
    }
    // A picture of the page's own content, as marked, else as placed.
    bool IsContent() const {
        return mark == Mark::Content || (mark == Mark::None && place == PicturePlace::Content);
    }
};
