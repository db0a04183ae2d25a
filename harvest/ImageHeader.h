#pragma once
// What the first bytes of a file say it is: its type as the bytes show it (a web page named
// ".jpg" is "text/html") and, for a picture, its size in pixels as it is shown (a JPEG turned
// by its EXIF orientation 5 to 8 has its sides swapped). PNG, GIF, WebP (VP8, VP8L, VP8X),
// JPEG (its segments walked to the frame header, so an EXIF thumbnail's is never taken), BMP,
// SVG (width and height, else its viewBox), AVIF and HEIC (the primary item's ispe, turned by
// its irot); an ISO media file of another brand is a movie.

#include <cstdint>
#include <string>
#include <string_view>

class ImageHeader {
public:
    struct Info {
        std::string mediaType; // "image/jpeg"...; empty when the bytes say nothing known
        int32_t width = 0;     // 0 when the bytes do not tell
        int32_t height = 0;
        // A JPEG whose segments (EXIF, ICC) run past the bytes read: where the bytes that may
        // tell its size begin (-1: nowhere further), and the orientation found before them.
        int64_t continueAt = -1;
        uint32_t orientation = 0;
    };
    static Info Read(std::string_view bytes);
    // What the bytes from `before.continueAt` on say of the JPEG `before` began to read.
    static Info Continue(std::string_view bytes, const Info& before);
};
