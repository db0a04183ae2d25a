#pragma once
// The texts of the list cells, computed from the records alone.

#include "download/DownloadEntry.h"
#include "harvest/LinkEntry.h"

#include <cstdint>
#include <string>
#include <vector>

class DownloadTable;

class CellText {
public:
    // The File List's Name cell: "  ->" before the names of HTML links.
    static std::string FileListName(const LinkEntry& entry);
    // The three File List cells of `entry`: name, file type, path.
    static std::vector<std::string> FileListRow(const LinkEntry& entry);
    // The eight cells of a modern row: its number on the page, name, file type, path, server,
    // place (the user's word "content (marked)"...), size (the real one, else the declared
    // one), bytes.
    static std::vector<std::string> ModernFileListRow(const LinkEntry& entry);
    // "1600x900", the declared size; empty when the size is not known.
    static std::string SizeText(const LinkEntry& entry);
    // The real size, else the declared one; `declared` says which.
    static std::string ShownSizeText(const LinkEntry& entry, bool* declared = nullptr);
    // "content", or what the user marked: "content (marked)", "not content (marked)".
    static std::string PlaceText(const LinkEntry& entry);
    // A file's bytes as people read them: "512 B", "48 KB", "3.4 MB", "1.2 GB"; empty for -1.
    static std::string BytesText(int64_t bytes);

    // The Download List's Status word after a fill; empty for an unknown code.
    static const char* StatusWord(int32_t status);
    // The word the monitor writes: "Connecting" for a waiting entry, else StatusWord.
    static const char* MonitorStatusWord(DownloadStatus status);
    // The Status cell: "Queued" for a modern row waiting for a thread, "Complete (same as
    // PATH)" for one whose bytes a kept file has; else `word`.
    static std::string StatusCell(const DownloadEntry& entry, const char* word);
    // "% Downloaded": empty while the size is unknown, "P%" at 0 and at the end, else
    // "P% (K KB/s)". P never overflows, whatever the 64-bit counts.
    static std::string ProgressText(uint64_t totalBytes, uint64_t receivedBytes, int32_t rateKBps);
    // The "% Downloaded" cell of `entry`: the seconds left of a wait ("12 s"), the cause of a
    // failure when it is known ("HTTP 404"), else ProgressText.
    static std::string ProgressCell(const DownloadEntry& entry);
    // The seven Download List cells of `entry`, as a fill writes them.
    static std::vector<std::string> DownloadListRow(const DownloadEntry& entry);
    // Those of a modern window: the seven, then Saved As, Speed and Time Left.
    static std::vector<std::string> ModernDownloadListRow(const DownloadEntry& entry);
    // The speed of a running row over the last two seconds ("850 KB/s", "1.2 MB/s") and the
    // time its size leaves at that speed ("0:42", "1:02:03"); empty for a row not running.
    static std::string SpeedText(const DownloadEntry& entry);
    static std::string TimeLeftText(const DownloadEntry& entry);
    // "3 running, 1.2 MB/s": the rows downloading now and their speed together; empty when none.
    static std::string TotalSpeedText(const DownloadTable& table);
    // What a finished Download List came to: "24 files downloaded, 1 failed".
    static std::string FinishedText(const DownloadTable& table);
    // A speed of bytes a second as SpeedText writes it.
    static std::string PerSecondText(uint64_t bytesPerSecond);

    // The rows of a list fill: those of the first `count` records, less the ones marked
    // Excluded, in record order.
    template <typename Record>
    static std::vector<std::vector<std::string>>
    Rows(const std::vector<Record>& records, int32_t count,
         std::vector<std::string> (*rowOf)(const Record&)) {
        std::vector<std::vector<std::string>> rows;
        rows.reserve(static_cast<std::size_t>(count));
        for (int32_t i = 0; i < count; ++i)
            if (records[i].category != FileCategory::Excluded)
                rows.push_back(rowOf(records[i]));
        return rows;
    }
    // "HTTP", "FTP", "HTTPS" for services 0, 1, 2; empty for any other.
    static const char* ProtocolText(int32_t service);
};
