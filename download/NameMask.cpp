#include "download/NameMask.h"

#include "harvest/Utf8.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr const char* tags[] = {"name", "ext", "host", "subdirs", "title", "text", "num", "date"};

bool KnownTag(const std::string& tag) {
    return std::find(std::begin(tags), std::end(tags), tag) != std::end(tags);
}

// The stem and the extension of a file name ("a.tar.gz": "a.tar", "gz"; ".x" and "x": no
// extension).
std::pair<std::string, std::string> Split(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return {name, ""};
    return {name.substr(0, dot), name.substr(dot + 1)};
}

// `text` cut to `limit` bytes at a character boundary.
std::string Cut(std::string text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    text.resize(cut);
    return text;
}

} // namespace

std::optional<std::string> NameMask::Check(const std::string& mask) {
    if (mask.empty())
        return "an empty mask";
    if (mask.front() == '/')
        return "an absolute path";
    for (std::size_t at = 0; at <= mask.size();) {
        const std::size_t end = std::min(mask.find('/', at), mask.size());
        const std::string segment = mask.substr(at, end - at);
        if (segment == ".." || segment == ".")
            return "a " + segment + " folder";
        at = end + 1;
    }
    for (std::size_t at = mask.find('*'); at != std::string::npos;) {
        const std::size_t end = mask.find('*', at + 1);
        if (end == std::string::npos)
            return "a * without its pair";
        const std::string tag = mask.substr(at + 1, end - at - 1);
        if (!KnownTag(tag))
            return "unknown tag *" + tag + "*";
        at = mask.find('*', end + 1);
    }
    return std::nullopt;
}

std::string NameMask::SafeSegment(const std::string& text) {
    // What FAT, exFAT and SMB drives refuse in a name becomes '_', and no name ends in a dot or
    // a space, so a tag's name goes onto any drive.
    std::string safe = Cut(Utf8::SafeFileName(text), segmentLimit);
    for (char& c : safe)
        if (std::string_view(":*?\"<>|\\").find(c) != std::string_view::npos)
            c = '_';
    while (!safe.empty() && (safe.back() == '.' || safe.back() == ' '))
        safe.pop_back();
    return safe;
}

std::string NameMask::Expand(const std::string& mask, const Values& v) {
    const auto [stem, extension] = Split(v.name);
    char number[16];
    std::snprintf(number, sizeof number, "%03u", v.number);
    std::vector<std::string> segments(1);
    for (std::size_t at = 0; at < mask.size();) {
        if (mask[at] == '/') {
            segments.emplace_back();
            ++at;
            continue;
        }
        if (mask[at] != '*') {
            const std::size_t end = std::min(mask.find_first_of("*/", at), mask.size());
            segments.back() += mask.substr(at, end - at);
            at = end;
            continue;
        }
        const std::size_t end = mask.find('*', at + 1);
        const std::string tag = mask.substr(at + 1, end - at - 1);
        at = end + 1;
        if (tag == "subdirs") {
            // The address's folders are folders here too: the first seven and the last, so an
            // address of thousands of folders makes no more than eight.
            const std::size_t count = v.subdirs.size();
            for (std::size_t i = 0; i < count; ++i) {
                if (i >= maxSubdirs - 1 && i + 1 < count)
                    continue;
                if (i > 0)
                    segments.emplace_back();
                segments.back() += SafeSegment(v.subdirs[i]);
            }
            continue;
        }
        if (tag == "ext") {
            // An empty extension takes the dot before it away.
            if (extension.empty() && !segments.back().empty() && segments.back().back() == '.')
                segments.back().pop_back();
            segments.back() += SafeSegment(extension);
            continue;
        }
        const std::string value = tag == "name"    ? stem
                                  : tag == "host"  ? v.host
                                  : tag == "title" ? (v.title.empty() ? "untitled" : v.title)
                                  : tag == "text"  ? (v.text.empty() ? stem : v.text)
                                  : tag == "num"   ? std::string(number)
                                                   : v.date;
        segments.back() += SafeSegment(value);
    }
    // No folder is empty, "." or ".."; the file's own name is cut keeping its extension.
    std::string path;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        std::string s = segments[i];
        s.erase(0, std::min(s.find_first_not_of('.'), s.size()));
        const bool last = i + 1 == segments.size();
        if (last && s.size() > segmentLimit) {
            const auto [fileStem, fileExtension] = Split(s);
            s = fileExtension.size() < 16
                    ? Cut(fileStem, segmentLimit - fileExtension.size() - 1) + "." + fileExtension
                    : Cut(s, segmentLimit);
        } else {
            s = Cut(s, segmentLimit);
        }
        if (s.empty() && !last)
            continue;
        path += (path.empty() ? "" : "/") + (s.empty() ? std::string("file") : s);
    }
    return path;
}
