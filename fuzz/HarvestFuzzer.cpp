// Feeds arbitrary bytes through the scanner, admission and link resolution. The first line of the
// input is the page address, the rest the page text; every admitted record is checked against
// the rules the lists rely on.

#include "FuzzInput.h"
#include "harvest/LinkResolver.h"
#include "harvest/LinkTable.h"
#include "harvest/PageScanner.h"
#include "harvest/PageText.h"
#include "settings/Settings.h"

#include <cstdlib>
#include <string>

namespace {

class Harvest : public ScanListener {
public:
    explicit Harvest(const Settings& settings) : settings(settings) {}
    void OnLink(const std::string& value, const std::string& pageAddress,
                int32_t attributeKind) override {
        ResolveLink(pageAddress, value);
        table.AdmitLink(value, pageAddress, attributeKind, settings);
    }
    void OnTitleCleared() override { title.clear(); }
    void OnTitle(const std::string& text) override {
        if (text.size() > PageScanner::titleLimit)
            std::abort();
        title = text;
    }

    LinkTable table;
    std::string title;

private:
    const Settings& settings;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const FuzzInput input(data, size, "http://s/");
    const std::string& address = input.address;
    const std::string& body = input.page;

    static PageText page;
    page.Clear();
    page.Append(body.data(), body.size());

    Settings settings;
    settings.harvestHtml = size % 2; // exercise both sides of one flag
    Harvest harvest(settings);
    PageScanner::ScanPage({page.Text(), static_cast<std::size_t>(page.Length())}, address, harvest);

    const LinkTable& t = harvest.table;
    if (t.linkCount < 0 || t.linkCount > LinkTable::capacity)
        std::abort();
    for (int32_t i = 0; i < t.linkCount; ++i) {
        const LinkEntry& e = t.links[i];
        if (e.category == FileCategory::Excluded || e.service < 0 || e.service > 2)
            std::abort();
        for (int32_t j = 0; j < i; ++j)
            if (t.links[j].path == e.path)
                std::abort();
    }
    return 0;
}
