#pragma once
// The columns of the two report lists: titles and widths, in position order. The widths are
// pixels of the layout's font (6 pixels a character); the window scales them to its own font.

#include <array>

struct ListColumn {
    const char* title;
    int width;
};

struct ListColumns {
    static const std::array<ListColumn, 3> fileList;
    // The File List of modern rows: a row's number on its page first, then the three, the
    // server, a picture's place, its size and its bytes. Each sorts by its key of SortLinks.
    static const std::array<ListColumn, 8> modernFileList;
    static const std::array<int, 8> modernSortKeys;
    static constexpr int modernSizeColumn = 6;
    static const std::array<ListColumn, 7> downloadList;
    // A modern window's Download List: the seven, then Saved As, Speed and Time Left.
    static const std::array<ListColumn, 10> modernDownloadList;
    static constexpr int savedAsColumn = 7;
    static constexpr int speedColumn = 8;
    static constexpr int timeLeftColumn = 9;
};
