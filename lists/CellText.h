#pragma once
// The texts of the list cells, computed from the records alone.

#include "harvest/LinkEntry.h"

#include <cstdint>
#include <string>
#include <vector>

class CellText {
public:
    // The File List's Name cell: "  ->" before the names of HTML links.
    static std::string FileListName(const LinkEntry& entry);
    // The three File List cells of `entry`: name, file type, path.
    static std::vector<std::string> FileListRow(const LinkEntry& entry);

    // The Download List's Status word after a fill; empty for an unknown code.
    static const char* StatusWord(int32_t status);
    // "% Downloaded": empty while the size is unknown, "P%" at 0 and at the end, else
    // "P% (K KB/s)". P never overflows, whatever the 32-bit counts.
    static std::string ProgressText(uint32_t totalBytes, uint32_t receivedBytes, int32_t rateKBps);
    // "HTTP", "FTP", "HTTPS" for services 0, 1, 2; empty for any other.
    static const char* ProtocolText(int32_t service);
};
