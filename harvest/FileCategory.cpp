#include "harvest/FileCategory.h"

#include "app/Settings.h"
#include "harvest/TextMatch.h"

#include <initializer_list>

namespace {

bool ContainsAny(const std::string& upper, std::initializer_list<const char*> needles) {
    for (const char* n : needles)
        if (upper.find(n) != std::string::npos)
            return true;
    return false;
}

FileCategory IfHarvested(uint8_t flag, FileCategory category) {
    return flag != 0 ? category : FileCategory::Excluded;
}

} // namespace

FileCategory ClassifyLink(const std::string& link, const Settings& s) {
    const std::string u = UpperCopy(link);
    if (ContainsAny(u, {".JPEG", ".JPG", ".JFIF"}))
        return IfHarvested(s.harvestJpeg, FileCategory::Jpeg);
    if (ContainsAny(u, {".GIF"}))
        return IfHarvested(s.harvestGif, FileCategory::Gif);
    if (ContainsAny(u, {".MPG", ".MPEG"}))
        return IfHarvested(s.harvestMpeg, FileCategory::Mpeg);
    if (ContainsAny(u, {".HTM"})) { // ".HTML" contains ".HTM"
        // A link to a place inside a page is never harvested.
        if (ContainsAny(u, {".HTM#", ".HTML#"}))
            return FileCategory::Excluded;
        return IfHarvested(s.harvestHtml, FileCategory::HtmlLink);
    }
    if (ContainsAny(u, {".AVI"}))
        return IfHarvested(s.harvestAvi, FileCategory::Avi);
    if (ContainsAny(u, {".MP3", ".WAV", ".AIFF", ".AU"}))
        return IfHarvested(s.harvestAudio, FileCategory::Audio);
    if (ContainsAny(u, {".DOC", ".PDF"}))
        return IfHarvested(s.harvestDoc, FileCategory::Doc);
    if (ContainsAny(u, {".ZIP", ".TAR", ".GZ"}))
        return IfHarvested(s.harvestZip, FileCategory::Zip);
    return FileCategory::Excluded;
}

const char* CategoryLabel(int32_t code) {
    static const char* const labels[] = {"HTML Link", "JPEG",  "GIF", "AVI",
                                         "MPEG",      "AUDIO", "DOC", "ZIP"};
    if (code < 0 || code > 7)
        return "Unknown";
    return labels[code];
}
