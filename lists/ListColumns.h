#pragma once
// The columns of the two report lists: titles and pixel widths, in position order.

#include <array>

struct ListColumn {
    const char* title;
    int width;
};

struct ListColumns {
    static const std::array<ListColumn, 3> fileList;
    static const std::array<ListColumn, 7> downloadList;
};
