#pragma once
// The items of the pop-up menus the lists and the history buttons show, computed from the
// records and the selection alone; the window turns them into real menus.

#include "download/DownloadTable.h"
#include "harvest/LinkTable.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct MenuItem {
    std::string text; // '&' marks the mnemonic; '&&' is a literal '&'
    int command = 0;
    bool enabled = true;
    bool separator = false;
};

class ListMenus {
public:
    // Start Downloading, Remove, a separator, Properties: by the File List's selection. Modern
    // rows add a separator, "Get Pictures Behind Links" ("Stop Reading Linked Pages" while
    // `reading`), "Get Next Pages" ("Stop Reading Next Pages" while `readingNext`), "Mark as
    // Content" and "Mark as Not Content" (for selected pictures).
    static std::vector<MenuItem> FileListMenu(const LinkTable& links,
                                              const std::vector<int32_t>& selected,
                                              bool reading = false, bool readingNext = false);
    // Cancel, Pause/Resume, Retry, a separator, Remove Completed/Erroneous Downloads; a modern
    // window adds a separator and "Show in Folder" (for one complete row).
    static std::vector<MenuItem> DownloadListMenu(const DownloadTable& downloads,
                                                  const std::vector<int32_t>& selected,
                                                  bool modern = false);
    // A Back or Forward drop-down from its (text, command) pairs.
    static std::vector<MenuItem> HistoryMenu(const std::vector<std::pair<std::string, int>>& items);
    // The window menu: Minimise, Close, a separator, About.
    static std::vector<MenuItem> WindowMenu();

    // Commands of the window menu that are not control identifiers.
    static constexpr int minimiseCommand = 0xF020;
    static constexpr int closeCommand = 0xF060;
    static constexpr int aboutCommand = 0x0010;
    // The File List's command for the pictures behind links (modern rules).
    static constexpr int getPicturesBehindLinks = 1044;
    static constexpr int getNextPages = 1069;
    static constexpr int showInFolder = 1080;
    // The user's word on the selected pictures' place (modern rules).
    static constexpr int markContent = 1063;
    static constexpr int markNotContent = 1064;
    // Marks the picture rows of `selected` content or not content; false when none is a
    // picture.
    static bool MarkPlace(LinkTable& links, const std::vector<int32_t>& selected, bool content);

    // `text` with every '&' doubled, so a name shows as it is.
    static std::string Literal(const std::string& text);
};
