#pragma once
// What the first bytes of a file say it is: its type as the bytes show it (a web page named
// ".jpg" is "text/html") and, for a picture, its size in pixels as it is shown (a JPEG turned
// by its EXIF orientation 5 to 8 has its sides swapped). PNG, GIF, WebP (VP8, VP8L, VP8X),
// JPEG (its segments walked to the frame header, so an EXIF thumbnail's is never taken), BMP,
// SVG (width and height, else its viewBox), AVIF and HEIC (their ispe box).

#include <cstdint>
#include <string>
#include <string_view>

class ImageHeader {
public:
    struct Info {
        std::string mediaType; // "image/jpeg"...; empty when the bytes say nothing known
        int32_t width = 0;     // 0 when the bytes do not tell
        int32_t height = 0;
    };
    static Info Read(std::string_view bytes);
};
