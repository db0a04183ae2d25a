#include "download/MaskExample.h"

#include "download/DownloadTable.h"
#include "download/NameMask.h"

const std::array<std::pair<const char*, const char*>, 9> MaskExample::tags = {{
    {"*name*", "the file's name without its extension"},
    {"*ext*", "its extension"},
    {"*host*", "the server"},
    {"*subdirs*", "the folders of its address, as folders"},
    {"*title*", "the page's title"},
    {"*text*", "a picture's alt text or a link's text (else *name*)"},
    {"*num*", "its number on the page: 001, 002 ..."},
    {"*date*", "the day it was queued, as 2026-12-31"},
    {"/", "a folder"},
}};

std::string MaskExample::Text(const std::string& mask, const LinkTable* page) {
    if (mask.empty())
        return {};
    if (const auto why = NameMask::Check(mask))
        return "This mask cannot be used: " + *why + ".";
    // The first content picture in the page's order, else the first picture.
    const LinkEntry* chosen = nullptr;
    auto before = [&chosen](const LinkEntry& e) {
        if (chosen == nullptr || e.IsContent() != chosen->IsContent())
            return chosen == nullptr || e.IsContent();
        return e.number < chosen->number;
    };
    for (int32_t i = 0; page != nullptr && i < page->linkCount; ++i)
        if (const LinkEntry& e = page->links[i]; e.IsPicture() && before(e))
            chosen = &e;
    static const LinkEntry example = {.category = FileCategory::Jpeg,
                                      .path = "/2026/12/lead-1600.jpg",
                                      .name = "lead-1600.jpg",
                                      .server = "news.example.org",
                                      .number = 1,
                                      .text = "Waves over the harbour wall"};
    const std::string title = chosen != nullptr ? page->pageTitle : "Storm Hits the Coast";
    return "Example: " +
           NameMask::Expand(mask, DownloadTable::MaskValues(chosen ? *chosen : example, title));
}
