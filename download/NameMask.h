#pragma once
// How a modern row's file is named under the save directory: a mask of tags (*name*, *ext*,
// *host*, *subdirs*, *title*, *text*, *num*, *date*) and '/' for folders, expanded into a safe
// relative path. Every name a tag gives is made safe on its own: control characters,
// bidirectional marks, '/' and what FAT, exFAT and SMB drives refuse (\ : * ? " < > |) become
// '_', leading dots and trailing dots and spaces go, and it is cut to 200 bytes at a character
// boundary; no segment is empty, "." or "..". The mask's own text is the user's, as written.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class NameMask {
public:
    static constexpr std::size_t segmentLimit = 200; // bytes: room for a part's suffixes
    static constexpr std::size_t maxSubdirs = 8;     // folders *subdirs* gives at the most
    static constexpr const char* folderPerPage = "*title*/*num* *name*.*ext*";
    static constexpr const char* siteFolders = "*host*/*subdirs*/*name*.*ext*";

    // What the tags of one row stand for.
    struct Values {
        std::string name;                 // the file name shown, its extension included
        std::string host;                 // host[:port]
        std::vector<std::string> subdirs; // the address's folders, decoded
        std::string title;                // the page's title
        std::string text;                 // a picture's alt text, a link's text
        uint32_t number = 0;              // its place on the page, from 1
        std::string date;                 // yyyy-mm-dd of the queueing
    };

    // Why `mask` cannot be used ("unknown tag *x*", "an absolute path", "a .. folder");
    // nothing when it can.
    static std::optional<std::string> Check(const std::string& mask);
    // The relative path `mask` gives a row (folders joined by '/', the file name last). The
    // mask must have passed Check.
    static std::string Expand(const std::string& mask, const Values& values);
    // `text` as one safe folder or file name (empty stays empty).
    static std::string SafeSegment(const std::string& text);
};
