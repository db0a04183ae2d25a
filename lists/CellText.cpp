#include "lists/CellText.h"

#include <algorithm>

std::string CellText::FileListName(const LinkEntry& entry) {
    if (entry.category == FileCategory::HtmlLink)
        return "  ->" + entry.name;
    return entry.name;
}

std::vector<std::string> CellText::FileListRow(const LinkEntry& entry) {
    return {FileListName(entry), CategoryLabel(entry.category), entry.path};
}

std::vector<std::string> CellText::ModernFileListRow(const LinkEntry& entry) {
    return {FileListName(entry), CategoryLabel(entry.category), entry.path,
            PlaceText(entry),    ShownSizeText(entry),          BytesText(entry.bytes)};
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

std::vector<std::string> CellText::DownloadListRow(const DownloadEntry& e) {
    return {e.name,          CategoryLabel(e.category),
            ProgressCell(e), StatusWord(static_cast<int32_t>(e.status)),
            e.path,          ProtocolText(e.service),
            e.server};
}
