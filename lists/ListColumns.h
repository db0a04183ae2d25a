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
    static const std::array<ListColumn, 7> downloadList;
};
