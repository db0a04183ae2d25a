// Feeds arbitrary bytes through the modern harvest: the HTML parser, srcset splitting, standard
// resolution, classification and naming. The first line of the input is the page address, the
// rest the page; every admitted record is checked against the rules the lists and the download
// engine rely on.

#include "FuzzInput.h"
#include "harvest/ModernHarvest.h"
#include "harvest/ModernScanner.h"
#include "settings/Settings.h"

#include <cstdlib>
#include <string>
#include <unordered_set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FuzzInput input(data, size, "https://s/a/b.html");
    const std::string& address = input.address;
    const std::string& page = input.page;

    std::vector<SrcCandidate> candidates;
    ModernScanner::AddSrcset(page.substr(0, 512), candidates);
    if (!candidates.empty() && ModernScanner::Largest(candidates) >= candidates.size())
        std::abort();

    Settings settings;
    settings.harvestImage = size % 2; // exercise both sides of one flag
    LinkTable table;
    ModernHarvest harvest(table, settings);
    if (size % 3 == 0)
        harvest.KeepArticleText();
    harvest.Scan(page, address, [](const std::string& title) {
        if (title.size() > ModernScanner::titleLimit)
            std::abort();
    });
    // The article's text is the page's own: never longer than the page once decoded.
    if (harvest.ArticleText().size() > 4 * size + 1)
        std::abort();
    if (table.linkCount < 0 || table.linkCount > LinkTable::capacity)
        std::abort();
    std::unordered_set<std::string> keys;
    for (int32_t i = 0; i < table.linkCount; ++i) {
        const LinkEntry& e = table.links[i];
        const bool safeName =
            !e.name.empty() && e.name[0] != '.' && e.name.find_first_of("/\\") == std::string::npos;
        if (e.category == FileCategory::Excluded || (e.service != 0 && e.service != 2) ||
            e.server.empty() || e.path.empty() || e.path[0] != '/' || !safeName ||
            !keys.insert(ModernHarvest::AddressKey({e.server, e.path, e.service})).second)
            std::abort();
        for (const char c : e.name)
            if (static_cast<unsigned char>(c) < 0x20)
                std::abort();
    }
    return 0;
}
