#pragma once
// Where the monitor shows what it did: the window writes a row's cells, tarvik-cli prints the
// lines of settled entries.

#include "download/DownloadEntry.h"

#include <cstdint>

class DownloadView {
public:
    virtual ~DownloadView() = default;
    // The monitor looked at entry `row` in this tick: its Status and "% Downloaded" cells are due.
    virtual void RefreshRow(int32_t row, const DownloadEntry& entry) = 0;
    // Entry `row` has just reached a final state (RefreshRow follows in the same tick).
    virtual void OnSettled(int32_t /*row*/, const DownloadEntry& /*entry*/) {}
};
