#include "lists/PlaceMarks.h"

std::pair<std::string, std::string> PlaceMarks::Key(const LinkTable& table, const LinkEntry& e) {
    const std::string& page = e.page.empty() ? table.pageAddress : e.page;
    return {page.substr(0, page.find('#')), table.FollowAddress(e)};
}

void PlaceMarks::Remember(const LinkTable& table, const std::vector<int32_t>& selected) {
    for (const int32_t row : selected)
        if (row >= 0 && row < table.linkCount && table.links[row].IsPicture())
            marks[Key(table, table.links[row])] = table.links[row].mark;
}

bool PlaceMarks::Apply(LinkTable& table) const {
    bool any = false;
    for (int32_t i = 0; marks.size() > 0 && i < table.linkCount; ++i) {
        LinkEntry& e = table.links[i];
        if (const auto found = marks.find(Key(table, e)); found != marks.end() && e.IsPicture()) {
            e.mark = found->second;
            any = true;
        }
    }
    return any;
}
