#include "harvest/ImageHeader.h"

#include "harvest/TextMatch.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace {

using Info = ImageHeader::Info;

// `n` bytes of `b` from `at`, fewer or none where it ends.
std::string_view Part(std::string_view b, std::size_t at, std::size_t n = std::string_view::npos) {
    return at <= b.size() ? b.substr(at, n) : std::string_view();
}

uint32_t Byte(std::string_view b, std::size_t at) {
    return at < b.size() ? static_cast<unsigned char>(b[at]) : 0;
}
uint32_t Be16(std::string_view b, std::size_t at) {
    return Byte(b, at) << 8 | Byte(b, at + 1);
}
uint32_t Le16(std::string_view b, std::size_t at) {
    return Byte(b, at + 1) << 8 | Byte(b, at);
}
uint32_t Be32(std::string_view b, std::size_t at) {
    return Be16(b, at) << 16 | Be16(b, at + 2);
}
uint32_t Le32(std::string_view b, std::size_t at) {
    return Le16(b, at + 2) << 16 | Le16(b, at);
}
uint32_t Le24(std::string_view b, std::size_t at) {
    return Byte(b, at + 2) << 16 | Le16(b, at);
}

Info Sized(const char* type, uint64_t w, uint64_t h, bool whole) {
    // Sides the bytes did not hold, or that no picture has, are not told.
    if (!whole || w == 0 || h == 0 || w > 1000000 || h > 1000000)
        return {type, 0, 0};
    return {type, static_cast<int32_t>(w), static_cast<int32_t>(h)};
}

// The EXIF orientation in an APP1 segment's TIFF data; 0 when none.
uint32_t Orientation(std::string_view tiff) {
    const bool little = tiff.substr(0, 2) == "II";
    if (!little && tiff.substr(0, 2) != "MM")
        return 0;
    auto u16 = [&](std::size_t at) { return little ? Le16(tiff, at) : Be16(tiff, at); };
    auto u32 = [&](std::size_t at) { return little ? Le32(tiff, at) : Be32(tiff, at); };
    const uint32_t ifd = u32(4);
    if (ifd + 2 > tiff.size())
        return 0;
    const uint32_t entries = u16(ifd);
    for (uint32_t i = 0; i < entries && ifd + 2 + 12 * (i + 1) <= tiff.size(); ++i) {
        const std::size_t entry = ifd + 2 + 12 * i;
        if (u16(entry) == 0x0112)
            return u16(entry + 8);
    }
    return 0;
}

// The JPEG segments of `b` from `at` on, `b` standing at `base` in the file.
Info Jpeg(std::string_view b, std::size_t at, uint32_t orientation, int64_t base) {
    for (; at + 4 <= b.size();) {
        if (Byte(b, at) != 0xFF)
            return {"image/jpeg"};
        const uint32_t marker = Byte(b, at + 1);
        if (marker == 0xFF) { // fill bytes before a marker
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += 2;
            continue;
        }
        const uint32_t length = Be16(b, at + 2);
        if (length < 2)
            return {"image/jpeg"};
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            uint32_t h = Be16(b, at + 5), w = Be16(b, at + 7);
            if (orientation >= 5 && orientation <= 8)
                std::swap(w, h);
            Info info = Sized("image/jpeg", w, h, at + 9 <= b.size());
            if (info.width == 0 && at + 9 > b.size())
                info.continueAt = base + static_cast<int64_t>(at);
            info.orientation = orientation;
            return info;
        }
        if (marker == 0xE1 && Part(b, at + 4, 6) == std::string_view("Exif\0\0", 6))
            orientation = Orientation(Part(b, at + 10, length - 8));
        at += 2 + length; // a segment's contents, an EXIF thumbnail among them, are passed over
    }
    // The segments ran past the bytes read: the next one begins at `at`.
    Info info{"image/jpeg"};
    info.continueAt = base + static_cast<int64_t>(at);
    info.orientation = orientation;
    return info;
}

// A length or a number of an SVG attribute: "640", "640px", "12.5"; 0 for "100%" and the like.
double SvgNumber(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    const std::string_view unit = text.substr(static_cast<std::size_t>(end - text.data()));
    return error == std::errc() && (unit.empty() || unit == "px") && value > 0 ? value : 0;
}

std::string_view SvgAttribute(std::string_view tag, std::string_view name) {
    for (std::size_t at = tag.find(name); at != std::string_view::npos;
         at = tag.find(name, at + 1)) {
        const char before = at > 0 ? tag[at - 1] : ' ';
        std::size_t p = at + name.size();
        while (p < tag.size() && tag[p] == ' ')
            ++p;
        if ((before != ' ' && before != '\t' && before != '\n') || p >= tag.size() || tag[p] != '=')
            continue;
        ++p;
        while (p < tag.size() && tag[p] == ' ')
            ++p;
        if (p >= tag.size() || (tag[p] != '"' && tag[p] != '\''))
            continue;
        const std::size_t end = tag.find(tag[p], p + 1);
        if (end != std::string_view::npos)
            return tag.substr(p + 1, end - p - 1);
    }
    return {};
}

Info Svg(std::string_view b, std::size_t start) {
    const std::size_t end = b.find('>', start);
    const std::string_view tag = Part(b, start, end == std::string_view::npos ? 0 : end - start);
    double w = SvgNumber(SvgAttribute(tag, "width")), h = SvgNumber(SvgAttribute(tag, "height"));
    if (w == 0 || h == 0) {
        // The viewBox: min-x, min-y, width, height, apart by blanks or commas.
        std::string box(SvgAttribute(tag, "viewBox"));
        std::replace(box.begin(), box.end(), ',', ' ');
        double v[4] = {};
        const char* p = box.c_str();
        for (double& x : v) {
            char* next = nullptr;
            x = std::strtod(p, &next);
            p = next;
        }
        w = v[2], h = v[3];
    }
    // Sides beyond any picture's (or no number at all) are not told.
    const bool sane = w >= 0.5 && h >= 0.5 && w <= 1e6 && h <= 1e6;
    return Sized("image/svg+xml", sane ? static_cast<uint64_t>(w + 0.5) : 0,
                 sane ? static_cast<uint64_t>(h + 0.5) : 0, sane);
}

// One box of an ISO media file: its type, where its contents begin and where it ends (within
// the bytes read).
struct Box {
    std::string_view type;
    std::size_t body = 0;
    std::size_t end = 0;
};

// The boxes between `at` and `end`, in order.
std::vector<Box> Boxes(std::string_view b, std::size_t at, std::size_t end) {
    std::vector<Box> boxes;
    while (at + 8 <= end && boxes.size() < 4096) {
        uint64_t size = Be32(b, at);
        std::size_t header = 8;
        if (size == 1) {
            size = uint64_t{Be32(b, at + 8)} << 32 | Be32(b, at + 12);
            header = 16;
        } else if (size == 0) {
            size = end - at;
        }
        if (size < header)
            break;
        const std::size_t next = size > end - at ? end : at + static_cast<std::size_t>(size);
        boxes.push_back({Part(b, at + 4, 4), at + header, next});
        at = next;
    }
    return boxes;
}

const Box* Find(const std::vector<Box>& boxes, std::string_view type) {
    for (const Box& box : boxes)
        if (box.type == type)
            return &box;
    return nullptr;
}

// The size of the primary item of a HEIF or AVIF file: "pitm" names it, "ipma" its
// properties in "ipco", among them its "ispe" (width, height) and "irot" (turns of 90
// degrees). Nothing when the bytes do not hold them.
std::optional<std::pair<uint32_t, uint32_t>> PrimarySize(std::string_view b) {
    const std::vector<Box> top = Boxes(b, 0, b.size());
    const Box* meta = Find(top, "meta");
    if (meta == nullptr)
        return std::nullopt;
    const std::vector<Box> inMeta = Boxes(b, meta->body + 4, meta->end); // a full box
    const Box* pitm = Find(inMeta, "pitm");
    const Box* iprp = Find(inMeta, "iprp");
    if (pitm == nullptr || iprp == nullptr)
        return std::nullopt;
    const uint32_t primary =
        Byte(b, pitm->body) == 0 ? Be16(b, pitm->body + 4) : Be32(b, pitm->body + 4);
    const std::vector<Box> inIprp = Boxes(b, iprp->body, iprp->end);
    const Box* ipco = Find(inIprp, "ipco");
    const Box* ipma = Find(inIprp, "ipma");
    if (ipco == nullptr || ipma == nullptr)
        return std::nullopt;
    const std::vector<Box> properties = Boxes(b, ipco->body, ipco->end);
    const uint32_t version = Byte(b, ipma->body);
    const bool wide = (Byte(b, ipma->body + 3) & 1) != 0;
    const uint32_t entries = Be32(b, ipma->body + 4);
    std::size_t at = ipma->body + 8;
    for (uint32_t e = 0; e < entries && at < ipma->end; ++e) {
        const uint32_t item = version < 1 ? Be16(b, at) : Be32(b, at);
        at += version < 1 ? 2 : 4;
        const uint32_t count = Byte(b, at++);
        std::optional<std::pair<uint32_t, uint32_t>> size;
        uint32_t turns = 0;
        for (uint32_t a = 0; a < count && at < ipma->end; ++a) {
            const uint32_t index = wide ? Be16(b, at) & 0x7FFF : Byte(b, at) & 0x7F;
            at += wide ? 2 : 1;
            if (item != primary || index == 0 || index > properties.size())
                continue;
            const Box& property = properties[index - 1];
            if (property.type == "ispe" && property.body + 12 <= property.end)
                size.emplace(Be32(b, property.body + 4), Be32(b, property.body + 8));
            else if (property.type == "irot" && property.body < property.end)
                turns = Byte(b, property.body) & 3;
        }
        if (item == primary) {
            if (size && turns % 2 == 1)
                std::swap(size->first, size->second);
            return size;
        }
    }
    return std::nullopt;
}

Info IsoMedia(std::string_view b) {
    // The major brand says what the file is: a still picture's, or a movie's.
    const std::string_view brand = Part(b, 8, 4);
    const bool avif = brand == "avif" || brand == "avis";
    const bool heif =
        brand == "heic" || brand == "heix" || brand == "hevc" || brand == "mif1" || brand == "msf1";
    if (!avif && !heif)
        return {"video/mp4"};
    const char* type = avif ? "image/avif" : "image/heic";
    if (const auto size = PrimarySize(b))
        return Sized(type, size->first, size->second, true);
    // The image's spatial extent: "ispe", version and flags, then width and height.
    const std::size_t ispe = b.find("ispe");
    if (ispe == std::string_view::npos)
        return {type};
    return Sized(type, Be32(b, ispe + 8), Be32(b, ispe + 12), ispe + 16 <= b.size());
}

} // namespace

ImageHeader::Info ImageHeader::Read(std::string_view b) {
    if (Part(b, 0, 8) == "\x89PNG\r\n\x1a\n")
        return Sized("image/png", Be32(b, 16), Be32(b, 20),
                     b.size() >= 24 && Part(b, 12, 4) == "IHDR");
    if (Part(b, 0, 6) == "GIF87a" || Part(b, 0, 6) == "GIF89a")
        return Sized("image/gif", Le16(b, 6), Le16(b, 8), b.size() >= 10);
    if (Part(b, 0, 4) == "RIFF" && Part(b, 8, 4) == "WEBP") {
        const std::string_view chunk = Part(b, 12, 4);
        if (chunk == "VP8 ")
            return Sized("image/webp", Le16(b, 26) & 0x3FFF, Le16(b, 28) & 0x3FFF,
                         b.size() >= 30 && Part(b, 23, 3) == "\x9d\x01\x2a");
        if (chunk == "VP8L") {
            const uint32_t bits = Le32(b, 21);
            return Sized("image/webp", (bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1,
                         b.size() >= 25 && Byte(b, 20) == 0x2F);
        }
        if (chunk == "VP8X")
            return Sized("image/webp", Le24(b, 24) + 1, Le24(b, 27) + 1, b.size() >= 30);
        return {"image/webp"};
    }
    if (Part(b, 0, 2) == "\xFF\xD8")
        return Jpeg(b, 2, 0, 0);
    if (Part(b, 0, 2) == "BM" && b.size() >= 26) {
        const auto h = static_cast<int32_t>(Le32(b, 22));
        return Sized("image/bmp", Le32(b, 18), static_cast<uint64_t>(h < 0 ? -int64_t{h} : h),
                     true);
    }
    if (Part(b, 4, 4) == "ftyp")
        return IsoMedia(b);
    // Text: an SVG picture, or a web page whatever its name says.
    const std::string_view head = Part(b, 0, 4096);
    if (const std::size_t svg = FindNoCase(head, "<SVG");
        svg != std::string_view::npos && FindNoCase(head, "<HTML") == std::string_view::npos)
        return Svg(b, svg);
    const std::size_t first = head.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (first != std::string_view::npos &&
        (StartsWithNoCase(head.substr(first), "<!DOCTYPE HTML") ||
         StartsWithNoCase(head.substr(first), "<HTML") ||
         FindNoCase(head, "<HEAD") != std::string_view::npos ||
         FindNoCase(head, "<BODY") != std::string_view::npos))
        return {"text/html"};
    return {};
}

ImageHeader::Info ImageHeader::Continue(std::string_view bytes, const Info& before) {
    if (before.continueAt < 0 || before.mediaType != "image/jpeg")
        return before;
    return Jpeg(bytes, 0, before.orientation, before.continueAt);
}
