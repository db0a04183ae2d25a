#include "lists/ListMenus.h"

#include <algorithm>

namespace {

// The one selected entry's name in quotes, or nothing for any other selection.
template <typename Table>
std::string OneName(const Table& records, int32_t count, const std::vector<int32_t>& selected) {
    if (selected.size() != 1 || selected[0] < 0 || selected[0] >= count)
        return {};
    return "'" + ListMenus::Literal(records[selected[0]].name) + "'";
}

} // namespace

std::string ListMenus::Literal(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c;
        if (c == '&')
            out += '&';
    }
    return out;
}

std::vector<MenuItem> ListMenus::FileListMenu(const LinkTable& links,
                                              const std::vector<int32_t>& selected, bool reading,
                                              bool readingNext) {
    const std::string name = OneName(links.links, links.linkCount, selected);
    const bool any = !selected.empty();
    std::vector<MenuItem> menu = {
        {name.empty() ? "Start Downloading files" : "Start Downloading " + name, 1008, any},
        {name.empty() ? "Remove files from List" : "Remove " + name + " from list", 1011, any},
        {"", 0, true, true},
        {"Properties", 1009, !name.empty()}};
    if (links.modernRows) {
        menu.push_back({"", 0, true, true});
        menu.push_back({reading ? "Stop Reading Linked Pages" : "Get Pictures Behind Links",
                        getPicturesBehindLinks});
        menu.push_back({readingNext ? "Stop Reading Next Pages" : "Get Next Pages", getNextPages});
        const bool pictures = std::any_of(selected.begin(), selected.end(), [&](int32_t row) {
            return row >= 0 && row < links.linkCount && links.links[row].IsPicture();
        });
        menu.push_back({"Mark as Content", markContent, pictures});
        menu.push_back({"Mark as Not Content", markNotContent, pictures});
    }
    return menu;
}

bool ListMenus::MarkPlace(LinkTable& links, const std::vector<int32_t>& selected, bool content) {
    bool any = false;
    for (const int32_t row : selected)
        if (row >= 0 && row < links.linkCount && links.links[row].IsPicture()) {
            links.links[row].mark =
                content ? LinkEntry::Mark::Content : LinkEntry::Mark::NotContent;
            any = true;
        }
    return any;
}

std::vector<MenuItem> ListMenus::DownloadListMenu(const DownloadTable& downloads,
                                                  const std::vector<int32_t>& selected,
                                                  bool modern) {
    const std::string name = OneName(downloads.downloads, downloads.downloadCount, selected);
    const bool any = !selected.empty();
    auto text = [&](const char* many, const char* one) {
        return name.empty() ? std::string(many) : one + name;
    };
    std::vector<MenuItem> menu = {
        {text("Cancel Downloads", "Cancel Downloading "), 1030, any},
        {text("Pause/Resume Downloads", "Pause/Resume Downloading "), 1033, any},
        {text("Retry Downloads", "Retry Downloading "), 1034, any},
        {"", 0, true, true},
        {"Remove Completed/Erroneous Downloads", 1029, true}};
    if (modern) {
        const bool complete =
            !name.empty() && downloads.downloads[selected[0]].status == DownloadStatus::Complete;
        menu.push_back({"", 0, true, true});
        menu.push_back({"Show in Folder", showInFolder, complete});
    }
    return menu;
}

std::vector<MenuItem>
ListMenus::HistoryMenu(const std::vector<std::pair<std::string, int>>& items) {
    std::vector<MenuItem> menu;
    for (const auto& [text, command] : items)
        menu.push_back({Literal(text), command});
    return menu;
}

std::vector<MenuItem> ListMenus::WindowMenu() {
    return {{"Minimise", minimiseCommand},
            {"Close", closeCommand},
            {"", 0, true, true},
            {"&About Tarvik...", aboutCommand}};
}
