#include "harvest/FileCategory.h"

#include "harvest/TextMatch.h"
#include "settings/Settings.h"

#include <initializer_list>

namespace {

bool ContainsAny(const std::string& link, std::initializer_list<const char*> upperNeedles) {
    for (const char* n : upperNeedles)
        if (ContainsNoCase(link, n))
            return true;
    return false;
}

FileCategory IfHarvested(uint8_t flag, FileCategory category) {
    return flag != 0 ? category : FileCategory::Excluded;
}

} // namespace

FileCategory ClassifyLink(const std::string& link, const Settings& s) {
    if (ContainsAny(link, {".JPEG", ".JPG", ".JFIF"}))
        return IfHarvested(s.harvestJpeg, FileCategory::Jpeg);
    if (ContainsAny(link, {".GIF"}))
        return IfHarvested(s.harvestGif, FileCategory::Gif);
    if (ContainsAny(link, {".MPG", ".MPEG"}))
        return IfHarvested(s.harvestMpeg, FileCategory::Mpeg);
    if (ContainsAny(link, {".HTM"})) { // ".HTML" contains ".HTM"
        // A link to a place inside a page is never harvested.
        if (ContainsAny(link, {".HTM#", ".HTML#"}))
            return FileCategory::Excluded;
        return IfHarvested(s.harvestHtml, FileCategory::HtmlLink);
    }
    if (ContainsAny(link, {".AVI"}))
        return IfHarvested(s.harvestAvi, FileCategory::Avi);
    if (ContainsAny(link, {".MP3", ".WAV", ".AIFF", ".AU"}))
        return IfHarvested(s.harvestAudio, FileCategory::Audio);
    if (ContainsAny(link, {".DOC", ".PDF"}))
        return IfHarvested(s.harvestDoc, FileCategory::Doc);
    if (ContainsAny(link, {".ZIP", ".TAR", ".GZ"}))
        return IfHarvested(s.harvestZip, FileCategory::Zip);
    return FileCategory::Excluded;
}

const char* CategoryLabel(int32_t code) {
    static const char* const labels[] = {"HTML Link", "JPEG",  "GIF", "AVI",
                                         "MPEG",      "AUDIO", "DOC", "ZIP"};
    if (code == static_cast<int32_t>(FileCategory::Image))
        return "IMAGE";
    if (code == static_cast<int32_t>(FileCategory::Video))
        return "VIDEO";
    if (code < 0 || code > 7)
        return "Unknown";
    return labels[code];
}
