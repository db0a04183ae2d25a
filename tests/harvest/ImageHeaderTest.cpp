#include "harvest/ImageHeader.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::string Be(uint32_t v, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

std::string Le(uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

// A JPEG frame header (SOF0) of `w` x `h`.
std::string Frame(uint32_t w, uint32_t h) {
    return "\xFF\xC0" + Be(17, 2) + "\x08" + Be(h, 2) + Be(w, 2) + std::string(12, '\0');
}

// An EXIF block: orientation `turn`, then a thumbnail of its own with its own frame header.
std::string Exif(uint32_t turn) {
    const std::string tiff = std::string("II*\0", 4) + Le(8, 4) + Le(1, 2) + Le(0x0112, 2) +
                             Le(3, 2) + Le(1, 4) + Le(turn, 4) + Le(0, 4);
    const std::string thumbnail = "\xFF\xD8" + Frame(160, 120) + std::string(30000, 'x');
    const std::string body = std::string("Exif\0\0", 6) + tiff + thumbnail;
    return "\xFF\xE1" + Be(static_cast<uint32_t>(body.size() + 2), 2) + body;
}

std::string Box(const std::string& type, const std::string& body) {
    return Be(static_cast<uint32_t>(body.size() + 8), 4) + type + body;
}

// A HEIF picture made of 512x512 tiles: its primary item 1 is 4000x3000 turned by 90 degrees,
// item 2 a tile; the tile's ispe comes first.
std::string HeifGrid() {
    const std::string full = std::string(4, '\0');
    const std::string ipco =
        Box("ipco", Box("ispe", full + Be(512, 4) + Be(512, 4)) +
                        Box("ispe", full + Be(4000, 4) + Be(3000, 4)) + Box("irot", "\x01"));
    const std::string ipma =
        Box("ipma", full + Be(2, 4) + Be(1, 2) + "\x02\x82\x03" + Be(2, 2) + "\x01\x81");
    return Box("ftyp", "heic" + Be(0, 4) + "mif1heic") +
           Box("meta", full + Box("pitm", full + Be(1, 2)) + Box("iprp", ipco + ipma));
}

} // namespace

// Real-shaped files of each kind to their type and size as shown.
TEST(ImageHeader, EachKindItsTypeAndSize) {
    const std::string riff = "RIFF" + Le(100, 4) + "WEBP";
    // clang-format off
    const std::tuple<const char*, std::string, std::string, int32_t, int32_t> cases[] = {
        {"PNG", "\x89PNG\r\n\x1a\n" + Be(13, 4) + "IHDR" + Be(640, 4) + Be(480, 4), "image/png", 640, 480},
        {"GIF", "GIF89a" + Le(320, 2) + Le(200, 2), "image/gif", 320, 200},
        {"WebP VP8", riff + "VP8 " + Le(50, 4) + std::string("\x10\x02\x00\x9d\x01\x2a", 6) + Le(800, 2) + Le(600, 2), "image/webp", 800, 600},
        {"WebP VP8L", riff + "VP8L" + Le(50, 4) + "\x2f" + Le(399 | (299u << 14), 4), "image/webp", 400, 300},
        {"WebP VP8X", riff + "VP8X" + Le(10, 4) + Le(0, 4) + Le(1919, 3) + Le(1079, 3), "image/webp", 1920, 1080},
        {"JPEG, EXIF thumbnail before the frame", "\xFF\xD8" + Exif(1) + Frame(4000, 3000), "image/jpeg", 4000, 3000},
        {"JPEG, orientation 6", "\xFF\xD8" + Exif(6) + Frame(4000, 3000), "image/jpeg", 3000, 4000},
        {"JPEG, orientation 5", "\xFF\xD8" + Exif(5) + Frame(4000, 3000), "image/jpeg", 3000, 4000},
        {"JPEG, orientation 8", "\xFF\xD8" + Exif(8) + Frame(4000, 3000), "image/jpeg", 3000, 4000},
        {"JPEG cut short", "\xFF\xD8\xFF\xE0" + Be(16, 2) + "JFIF", "image/jpeg", 0, 0},
        {"BMP, top-down", "BM" + std::string(16, '\0') + Le(100, 4) + Le(static_cast<uint32_t>(-50), 4), "image/bmp", 100, 50},
        {"SVG by its viewBox", "<?xml version='1.0'?>\n<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 120,60'>", "image/svg+xml", 120, 60},
        {"SVG by its sides", "<svg width=\"32px\" height=\"16\" viewBox=\"0 0 1 1\">", "image/svg+xml", 32, 16},
        {"AVIF", Be(24, 4) + "ftypavif" + std::string(12, '\0') + Be(20, 4) + "ispe" + Be(0, 4) + Be(1024, 4) + Be(768, 4), "image/avif", 1024, 768},
        {"HEIC", Be(24, 4) + "ftypheic" + std::string(12, '\0'), "image/heic", 0, 0},
        {"HEIC grid: the primary item, turned", HeifGrid(), "image/heic", 3000, 4000},
        {"an MP4 named .gif", Be(24, 4) + "ftypisom" + Be(0, 4) + "isomavc1" + Box("ispe", Be(0, 4) + Be(9, 4) + Be(9, 4)), "video/mp4", 0, 0},
        {"a web page named .jpg", "\n <!DOCTYPE html><html><head><title>Sign in</title>", "text/html", 0, 0},
        {"nothing known", "PK\x03\x04", "", 0, 0},
    };
    // clang-format on
    for (const auto& [what, bytes, type, width, height] : cases) {
        const ImageHeader::Info info = ImageHeader::Read(bytes);
        EXPECT_EQ(info.mediaType + " " + std::to_string(info.width) + "x" +
                      std::to_string(info.height),
                  type + " " + std::to_string(width) + "x" + std::to_string(height))
            << what;
    }
}

// A camera's photo: EXIF with its thumbnail and an ICC profile push the frame header past the
// first 64 KiB; the bytes from the segment the first read ran into tell the size.
TEST(ImageHeader, ACameraPhotoReadOnFromItsNextSegment) {
    const std::string icc = "\xFF\xE2" + Be(60002, 2) + "ICC_PROFILE" + std::string(59989, 'i');
    const std::string photo = "\xFF\xD8" + Exif(8) + icc + Frame(4000, 3000) + "scan";
    const ImageHeader::Info first = ImageHeader::Read(photo.substr(0, 65536));
    EXPECT_EQ(first.width, 0);
    ASSERT_EQ(first.continueAt, static_cast<int64_t>(photo.rfind("\xFF\xC0")));
    const ImageHeader::Info more = ImageHeader::Continue(
        photo.substr(static_cast<std::size_t>(first.continueAt), 65536), first);
    EXPECT_EQ(std::to_string(more.width) + "x" + std::to_string(more.height), "3000x4000");
}
