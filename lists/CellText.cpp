#include "lists/CellText.h"

std::string CellText::FileListName(const LinkEntry& entry) {
    if (entry.category == FileCategory::HtmlLink)
        return "  ->" + entry.name;
    return entry.name;
}

std::vector<std::string> CellText::FileListRow(const LinkEntry& entry) {
    return {FileListName(entry), CategoryLabel(entry.category), entry.path};
}

const char* CellText::StatusWord(int32_t status) {
    static const char* const words[] = {"Starting", "Queueing",   "Downloading", "Paused",
                                        "Complete", "Disk Error", "Error",       "Cancelled"};
    if (status < 0 || status > 7)
        return "";
    return words[status];
}

std::string CellText::ProgressText(uint32_t totalBytes, uint32_t receivedBytes, int32_t rateKBps) {
    if (totalBytes == 0)
        return {};
    const uint64_t percent = static_cast<uint64_t>(receivedBytes) * 100 / totalBytes;
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
