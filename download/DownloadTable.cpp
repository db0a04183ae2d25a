#include "download/DownloadTable.h"

#include "download/LocalFile.h"
#include "download/PartFile.h"

#include <algorithm>

void DownloadTable::QueueDownload(const LinkEntry& link, bool byAddress,
                                  const std::string& referer) {
    if (downloadCount >= capacity)
        return;
    for (int32_t i = 0; i < downloadCount; ++i) {
        const DownloadEntry& e = downloads[i];
        const bool same =
            byAddress ? e.service == link.service && e.server == link.server && e.path == link.path
                      : e.path == link.path && e.name == link.name;
        if (same)
            return;
    }
    DownloadEntry& e = downloads[downloadCount];
    e = DownloadEntry{};
    e.path = link.path;
    e.name = link.name;
    e.server = link.server;
    e.service = link.service;
    e.category = link.category;
    e.totalBytes = static_cast<uint64_t>(std::max<int32_t>(link.size, 0));
    e.referer = referer;
    e.modern = byAddress;
    ++downloadCount;
}

void DownloadTable::CompactDownloads() {
    // A modern row that goes takes its part with it; a complete one leaves its file.
    for (int32_t i = 0; i < downloadCount; ++i) {
        const DownloadEntry& e = downloads[i];
        if (e.category == FileCategory::Excluded && e.modern && !e.partName.empty() &&
            e.status != DownloadStatus::Complete)
            PartFile::Discard(LocalFile::DirectoryOf(e.localPath), "", e.partName);
    }
    CompactExcluded(downloads, downloadCount);
}

void DownloadTable::RetryDownload(int32_t index) {
    if (index < 0 || index >= downloadCount)
        return;
    DownloadEntry& e = downloads[index];
    if (!IsFailed(e.status))
        return;
    e.status = DownloadStatus::Starting;
    e.rateKBps = 0;
    e.cause.clear();
    e.waits = 0;
    if (!e.modern)
        e.receivedBytes = 0; // a modern row resumes its part
}

bool DownloadTable::Takes(Take take, const LinkEntry& row, bool modern) {
    const FileCategory c = row.category;
    const bool movie = c == FileCategory::Avi || c == FileCategory::Mpeg;
    if (!modern) {
        return take == Take::All ? true : take == Take::Movies ? movie : c == FileCategory::Jpeg;
    }
    if (row.place == PicturePlace::Tracker)
        return false;
    const bool picture =
        c == FileCategory::Jpeg || c == FileCategory::Gif || c == FileCategory::Image;
    switch (take) {
    case Take::All:
        return true;
    case Take::Movies:
        return movie || c == FileCategory::Video;
    case Take::Jpegs:
    case Take::Pictures:
        return picture && row.place == PicturePlace::Content;
    case Take::AllPictures:
        return picture;
    }
    return false;
}

void DownloadTable::QueueLinks(const LinkTable& links, Take take) {
    for (int32_t i = 0; i < links.linkCount; ++i)
        if (Takes(take, links.links[i], links.modernRows))
            QueueDownload(links.links[i], links.modernRows, links.PageOf(links.links[i]));
}

int32_t DownloadTable::PicturesLeftOut(const LinkTable& links, Take take) {
    if (!links.modernRows || (take != Take::Pictures && take != Take::Jpegs))
        return 0;
    int32_t others = 0;
    for (int32_t i = 0; i < links.linkCount; ++i) {
        if (Takes(take, links.links[i], true))
            return 0;
        others += Takes(Take::AllPictures, links.links[i], true);
    }
    return others;
}

bool DownloadTable::AllFinal() const {
    for (int32_t i = 0; i < downloadCount; ++i) {
        const DownloadStatus s = downloads[i].status;
        if (!IsFinal(s))
            return false;
    }
    return true;
}
