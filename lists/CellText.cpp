#include "lists/CellText.h"

#include "download/DownloadTable.h"

#include <algorithm>
#include <cstdio>

std::string CellText::FileListName(const LinkEntry& entry) {
    if (entry.category == FileCategory::HtmlLink)
        return "  ->" + entry.name;
    return entry.name;
}

std::vector<std::string> CellText::FileListRow(const LinkEntry& entry) {
    return {FileListName(entry), CategoryLabel(entry.category), entry.path};
}

std::vector<std::string> CellText::ModernFileListRow(const LinkEntry& entry) {
    return {entry.number > 0 ? std::to_string(entry.number) : std::string(),
            FileListName(entry),
            CategoryLabel(entry.category),
            entry.path,
            entry.server,
            PlaceText(entry),
            ShownSizeText(entry),
            BytesText(entry.bytes)};
}

std::string CellText::PlaceText(const LinkEntry& entry) {
    switch (entry.mark) {
    case LinkEntry::Mark::Content:
        return "content (marked)";
    case LinkEntry::Mark::NotContent:
        return "not content (marked)";
    case LinkEntry::Mark::None:
        break;
    }
    return PlaceWord(entry.place);
}

std::string CellText::ShownSizeText(const LinkEntry& entry, bool* declared) {
    const bool real = entry.realWidth > 0 && entry.realHeight > 0;
    if (declared != nullptr)
        *declared = !real;
    if (!real)
        return SizeText(entry);
    return std::to_string(entry.realWidth) + "x" + std::to_string(entry.realHeight);
}

std::string CellText::BytesText(int64_t bytes) {
    if (bytes < 0)
        return {};
    if (bytes < 1024)
        return std::to_string(bytes) + " B";
    if (bytes < 1024 * 1024)
        return std::to_string(bytes / 1024) + " KB";
    const bool giga = bytes >= int64_t{1} << 30;
    const int64_t unit = giga ? int64_t{1} << 30 : int64_t{1} << 20;
    // Rounded to tenths; a size of 10 units and more shows none.
    const int64_t tenths = (std::min<int64_t>(bytes, INT64_MAX / 20) * 10 + unit / 2) / unit;
    std::string text = std::to_string(tenths / 10);
    if (tenths < 100)
        text += "." + std::to_string(tenths % 10);
    return text + (giga ? " GB" : " MB");
}

std::string CellText::SizeText(const LinkEntry& entry) {
    if (entry.width <= 0 || entry.height <= 0)
        return {};
    return std::to_string(entry.width) + "x" + std::to_string(entry.height);
}

const char* CellText::StatusWord(int32_t status) {
    static const char* const words[] = {"Starting", "Queueing",  "Downloading",
                                        "Paused",   "Complete",  "Disk Error",
                                        "Error",    "Cancelled", "Waiting"};
    if (status < 0 || status > 8)
        return "";
    return words[status];
}

const char* CellText::MonitorStatusWord(DownloadStatus status) {
    if (status == DownloadStatus::Starting)
        return "Connecting";
    return StatusWord(static_cast<int32_t>(status));
}

std::string CellText::ProgressText(uint64_t totalBytes, uint64_t receivedBytes, int32_t rateKBps) {
    if (totalBytes == 0)
        return {};
    const auto percent =
        static_cast<uint64_t>(static_cast<unsigned __int128>(receivedBytes) * 100 / totalBytes);
    std::string text = std::to_string(percent) + "%";
    if (receivedBytes != 0 && receivedBytes != totalBytes)
        text += " (" + std::to_string(rateKBps) + " KB/s)";
    return text;
}

const char* CellText::ProtocolText(int32_t service) {
    switch (service) {
    case 0:
        return "HTTP";
    case 1:
        return "FTP";
    case 2:
        return "HTTPS";
    default:
        return "";
    }
}

std::string CellText::ProgressCell(const DownloadEntry& e) {
    if (e.status == DownloadStatus::Waiting)
        return std::to_string(e.waitLeft) + " s";
    if (IsFailed(e.status) && !e.cause.empty())
        return e.cause;
    return ProgressText(e.totalBytes, e.receivedBytes, e.rateKBps);
}

std::vector<std::string> CellText::ModernDownloadListRow(const DownloadEntry& e) {
    std::vector<std::string> row = DownloadListRow(e);
    row.push_back(e.savedAs);
    row.push_back(SpeedText(e));
    row.push_back(TimeLeftText(e));
    return row;
}

std::string CellText::PerSecondText(uint64_t bytesPerSecond) {
    if (bytesPerSecond < 1024 * 1024)
        return std::to_string(bytesPerSecond == 0 ? 0
                                                  : std::max<uint64_t>(1, bytesPerSecond / 1024)) +
               " KB/s";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB/s",
                  static_cast<double>(bytesPerSecond) / (1024.0 * 1024.0));
    return text;
}

std::string CellText::TotalSpeedText(const DownloadTable& table) {
    int32_t running = 0;
    uint64_t perSecond = 0;
    for (int32_t i = 0; i < table.downloadCount; ++i) {
        const DownloadEntry& e = table.downloads[i];
        if (e.status == DownloadStatus::Downloading) {
            ++running;
            perSecond += e.recent.PerSecond();
        }
    }
    if (running == 0)
        return {};
    return std::to_string(running) + " running, " + PerSecondText(perSecond);
}

std::string CellText::FinishedText(const DownloadTable& table) {
    int32_t complete = 0, failed = 0;
    for (int32_t i = 0; i < table.downloadCount; ++i) {
        complete += table.downloads[i].status == DownloadStatus::Complete;
        failed += IsFailed(table.downloads[i].status);
    }
    std::string text =
        std::to_string(complete) + (complete == 1 ? " file downloaded" : " files downloaded");
    return failed > 0 ? text + ", " + std::to_string(failed) + " failed" : text;
}

std::string CellText::SpeedText(const DownloadEntry& e) {
    const uint64_t perSecond = e.recent.PerSecond();
    if (e.status != DownloadStatus::Downloading || perSecond == 0)
        return {};
    return PerSecondText(perSecond);
}

std::string CellText::TimeLeftText(const DownloadEntry& e) {
    const uint64_t perSecond = e.recent.PerSecond();
    if (e.status != DownloadStatus::Downloading || perSecond == 0 || e.totalBytes == 0 ||
        e.receivedBytes > e.totalBytes)
        return {};
    const uint64_t left = (e.totalBytes - e.receivedBytes + perSecond - 1) / perSecond;
    char text[32];
    if (left >= 3600)
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                      static_cast<unsigned long long>(left / 3600),
                      static_cast<unsigned long long>(left / 60 % 60),
                      static_cast<unsigned long long>(left % 60));
    else
        std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(left / 60),
                      static_cast<unsigned long long>(left % 60));
    return text;
}

std::string CellText::StatusCell(const DownloadEntry& e, const char* word) {
    // A modern row waiting for a thread (or for its server) says so, whatever its state's word.
    if (e.modern && e.status == DownloadStatus::Starting)
        return "Queued";
    return e.sameAs.empty() ? std::string(word) : "Complete (same as " + e.sameAs + ")";
}

std::vector<std::string> CellText::DownloadListRow(const DownloadEntry& e) {
    return {e.name,          CategoryLabel(e.category),
            ProgressCell(e), StatusCell(e, StatusWord(static_cast<int32_t>(e.status))),
            e.path,          ProtocolText(e.service),
            e.server};
}
