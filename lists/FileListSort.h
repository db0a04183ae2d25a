#pragma once
// Sorting the File List's records by a column, with the one direction flag that all three
// columns share.

#include "harvest/LinkTable.h"

#include <cstdint>
#include <string_view>

class FileListSort {
public:
    static constexpr int byNumber = 6;
    static constexpr int byServer = 7;

    // Byte order after mapping A-Z to a-z, bytes unsigned; a prefix sorts first.
    static int CompareNoCase(std::string_view a, std::string_view b);

    // Sorts the first linkCount records by `column` (0 Name, 1 FileType by code, 2 Path in the
    // reversed sense; for modern rows 3 Place, 4 Size by area, the real size before the declared
    // one, 5 Bytes, byNumber the page's order, byServer); any other column sorts nothing.
    // Not stable.
    static void SortLinks(LinkTable& table, int column, bool descending);

    // A header click or a fresh page: with fewer than two rows nothing happens and false is
    // returned. Otherwise the shared flag is toggled, the records are sorted in the flag's
    // direction (or `forcedDescending` when `forced`) and true says the list must be refilled.
    static bool SortFileList(LinkTable& table, uint8_t& sortDescending, int rowCount, int column,
                             bool forced, bool forcedDescending);
};
