#include "harvest/ModernCategory.h"

#include "harvest/Utf8.h"
#include "settings/Settings.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::size_t nameLimit = 200; // bytes; well inside every file system's limit

struct Extension {
    std::string_view text;
    FileCategory category;
};

constexpr Extension extensions[] = {
    {"htm", FileCategory::HtmlLink},   {"html", FileCategory::HtmlLink},
    {"xhtml", FileCategory::HtmlLink}, {"shtml", FileCategory::HtmlLink},
    {"php", FileCategory::HtmlLink},   {"asp", FileCategory::HtmlLink},
    {"aspx", FileCategory::HtmlLink},  {"jsp", FileCategory::HtmlLink},
    {"jpg", FileCategory::Jpeg},       {"jpeg", FileCategory::Jpeg},
    {"jfif", FileCategory::Jpeg},      {"gif", FileCategory::Gif},
    {"avi", FileCategory::Avi},        {"mpg", FileCategory::Mpeg},
    {"mpeg", FileCategory::Mpeg},      {"mp3", FileCategory::Audio},
    {"wav", FileCategory::Audio},      {"aiff", FileCategory::Audio},
    {"au", FileCategory::Audio},       {"ogg", FileCategory::Audio},
    {"oga", FileCategory::Audio},      {"opus", FileCategory::Audio},
    {"flac", FileCategory::Audio},     {"m4a", FileCategory::Audio},
    {"aac", FileCategory::Audio},      {"weba", FileCategory::Audio},
    {"doc", FileCategory::Doc},        {"pdf", FileCategory::Doc},
    {"docx", FileCategory::Doc},       {"odt", FileCategory::Doc},
    {"epub", FileCategory::Doc},       {"rtf", FileCategory::Doc},
    {"zip", FileCategory::Zip},        {"tar", FileCategory::Zip},
    {"gz", FileCategory::Zip},         {"7z", FileCategory::Zip},
    {"rar", FileCategory::Zip},        {"xz", FileCategory::Zip},
    {"bz2", FileCategory::Zip},        {"zst", FileCategory::Zip},
    {"tgz", FileCategory::Zip},        {"png", FileCategory::Image},
    {"webp", FileCategory::Image},     {"avif", FileCategory::Image},
    {"svg", FileCategory::Image},      {"bmp", FileCategory::Image},
    {"tif", FileCategory::Image},      {"tiff", FileCategory::Image},
    {"heic", FileCategory::Image},     {"heif", FileCategory::Image},
    {"mp4", FileCategory::Video},      {"m4v", FileCategory::Video},
    {"webm", FileCategory::Video},     {"mkv", FileCategory::Video},
    {"mov", FileCategory::Video},      {"ogv", FileCategory::Video},
};

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The path without its query, and the segments that matter for a name.
std::string_view WithoutQuery(std::string_view path) {
    return path.substr(0, std::min(path.find('?'), path.size()));
}

std::string_view LastSegment(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The extension of a decoded name, lower-cased; empty when it has none.
std::string LowerExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 >= name.size())
        return {};
    std::string extension(name.substr(dot + 1));
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

uint8_t FlagOf(FileCategory category, const Settings& s) {
    switch (category) {
    case FileCategory::HtmlLink:
        return s.harvestHtml;
    case FileCategory::Jpeg:
        return s.harvestJpeg;
    case FileCategory::Gif:
        return s.harvestGif;
    case FileCategory::Avi:
        return s.harvestAvi;
    case FileCategory::Mpeg:
        return s.harvestMpeg;
    case FileCategory::Audio:
        return s.harvestAudio;
    case FileCategory::Doc:
        return s.harvestDoc;
    case FileCategory::Zip:
        return s.harvestZip;
    case FileCategory::Image:
        return s.harvestImage;
    case FileCategory::Video:
        return s.harvestVideo;
    case FileCategory::Excluded:
        break;
    }
    return 0;
}

} // namespace

std::string ModernCategory::PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int high = text[i] == '%' && i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool ModernCategory::IsPictureFile(std::string_view href) {
    const std::string_view path = href.substr(0, std::min(href.find_first_of("?#"), href.size()));
    const std::string name = PercentDecode(LastSegment(path));
    if (name.find(':') != std::string::npos)
        return false; // a wiki's page about a file: /wiki/File:X.jpg
    const FileCategory c = OfExtension(LowerExtension(name));
    return c == FileCategory::Jpeg || c == FileCategory::Gif || c == FileCategory::Image;
}

FileCategory ModernCategory::OfExtension(std::string_view extension) {
    for (const Extension& e : extensions)
        if (e.text == extension)
            return e.category;
    return FileCategory::Excluded;
}

FileCategory ModernCategory::Classify(std::string_view path, LinkContext context,
                                      const Settings& settings) {
    const std::string name = PercentDecode(LastSegment(WithoutQuery(path)));
    FileCategory category = OfExtension(LowerExtension(name));
    // A wiki's page about a file (/wiki/File:X.jpg) is a page, not the file.
    if (context == LinkContext::Anchor && name.find(':') != std::string::npos)
        category = FileCategory::HtmlLink;
    if (category == FileCategory::HtmlLink && context != LinkContext::Anchor)
        category = FileCategory::Excluded;
    if (category == FileCategory::Excluded) {
        switch (context) {
        case LinkContext::Anchor:
            // Today's sites name their pages without an extension: /news/2024/storm-hits.
            category = FileCategory::HtmlLink;
            break;
        case LinkContext::Picture:
            category = FileCategory::Image;
            break;
        case LinkContext::Video:
            category = FileCategory::Video;
            break;
        case LinkContext::Audio:
            category = FileCategory::Audio;
            break;
        }
    }
    return FlagOf(category, settings) != 0 ? category : FileCategory::Excluded;
}

std::string ModernCategory::FileName(std::string_view path, FileCategory category) {
    std::string_view rest = WithoutQuery(path);
    std::string name;
    // A path that ends in '/' names its last non-empty segment.
    while (name.empty() && !rest.empty()) {
        const std::string_view segment = LastSegment(rest);
        name = Utf8::SafeFileName(PercentDecode(segment));
        rest.remove_suffix(std::min(rest.size(), segment.size() + 1));
    }
    if (name.size() > nameLimit) {
        // The stem is cut, never inside a UTF-8 sequence, and a short extension is kept; what
        // is left is checked again, as a cut can leave a hidden or empty name.
        const std::size_t dot = name.rfind('.');
        const std::string extension =
            dot != std::string::npos && name.size() - dot <= 16 ? name.substr(dot) : "";
        const std::size_t limit = nameLimit - extension.size();
        std::size_t cut = limit;
        while (cut > 0 && cut + 3 > limit && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name = Utf8::SafeFileName(name.substr(0, cut) + extension);
    }
    if (name.empty())
        return category == FileCategory::HtmlLink ? "index.html" : "file";
    return name;
}
