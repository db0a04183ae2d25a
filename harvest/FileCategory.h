#pragma once
// The categories a link can fall into, and the label both lists show for each. The classic rules
// know the first eight and choose by the extension a link's text contains; the modern rules add
// IMAGE and VIDEO (see ModernCategory).

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

struct Settings;

enum class FileCategory : int32_t {
    HtmlLink = 0,
    Jpeg = 1,
    Gif = 2,
    Avi = 3,
    Mpeg = 4,
    Audio = 5,
    Doc = 6,
    Zip = 7,
    Excluded = 8, // no category: never shown, and marks a record for removal
    Image = 9,    // pictures other than JPEG and GIF; modern rules only
    Video = 10,   // today's video formats; modern rules only
};

// The category of `link` under the harvest flags of `settings`. The groups are tried in a fixed
// order and the first whose extension occurs anywhere in the text decides, even when its flag
// is off (then the link is Excluded).
FileCategory ClassifyLink(const std::string& link, const Settings& settings);

// "HTML Link", "JPEG", ... for codes 0 to 7, "IMAGE" and "VIDEO" for 9 and 10; "Unknown" for any
// other code.
const char* CategoryLabel(int32_t code);
inline const char* CategoryLabel(FileCategory category) {
    return CategoryLabel(static_cast<int32_t>(category));
}

// Removes the records marked Excluded from the first `count` of `records`, keeping the order of
// the others, and sets `count` to how many are left. Used by both lists' removal commands.
template <typename Record> void CompactExcluded(std::vector<Record>& records, int32_t& count) {
    const auto kept =
        std::stable_partition(records.begin(), records.begin() + count,
                              [](const Record& r) { return r.category != FileCategory::Excluded; });
    count = static_cast<int32_t>(kept - records.begin());
}
