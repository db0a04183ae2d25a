#pragma once
// The modern rules' categories and file names: a link is classified by the extension of its last
// path segment alone, and where it has no known extension, by the element it stood in.

#include "harvest/FileCategory.h"

#include <string>
#include <string_view>

struct Settings;

// Where a link stood on the page.
enum class LinkContext {
    Anchor,  // a or area href: dropped when its extension is unknown
    Picture, // img, picture, a video's poster, og:image
    Video,   // video, its source elements, og:video
    Audio,   // audio and its source elements
};

class ModernCategory {
public:
    // The category of the absolute path `path` (its query may follow a '?'), found in `context`,
    // under the harvest flags of `settings`; Excluded when it is not harvested. From a picture,
    // video or audio element an HTML-page extension (a script that serves the file) counts as
    // unknown.
    static FileCategory Classify(std::string_view path, LinkContext context,
                                 const Settings& settings);
    // True when `href` names a picture file by its extension (a link that shows a picture).
    static bool IsPictureFile(std::string_view href);
    // The category of a lower-case extension, or Excluded when it is not known.
    static FileCategory OfExtension(std::string_view extension);

    // The local file name for `path`: its last segment, percent-decoded, without the query.
    // Separators and control bytes become '_', leading dots go, and a long name is cut keeping
    // its extension. An empty result becomes the last non-empty segment, else "index.html" for
    // an HTML link and "file" for anything else.
    static std::string FileName(std::string_view path, FileCategory category);

    // `text` with every %XX decoded; a '%' not followed by two hex digits stays as it is.
    static std::string PercentDecode(std::string_view text);
};
