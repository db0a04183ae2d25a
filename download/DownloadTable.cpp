#include "download/DownloadTable.h"

#include "download/DownloadWorker.h"
#include "download/FileOrigin.h"
#include "download/LocalFile.h"
#include "download/NameMask.h"
#include "download/PartFile.h"
#include "harvest/ModernCategory.h"

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The local date, yyyy-mm-dd.
std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

// The folders of an address's path, decoded.
std::vector<std::string> Folders(const std::string& path) {
    std::vector<std::string> folders;
    const std::string_view p = std::string_view(path).substr(0, path.find_first_of("?#"));
    for (std::size_t at = 1; at < p.size();) {
        const std::size_t end = p.find('/', at);
        if (end == std::string_view::npos)
            break;
        if (end > at)
            folders.push_back(ModernCategory::PercentDecode(p.substr(at, end - at)));
        at = end + 1;
    }
    return folders;
}

} // namespace

void DownloadTable::QueueDownload(const LinkEntry& link, bool byAddress, const std::string& referer,
                                  const std::string& title,
                                  std::shared_ptr<const CookieJar> cookies,
                                  ReferrerPolicy::Kind policy) {
    if (downloadCount >= limit)
        return;
    for (int32_t i = 0; i < downloadCount; ++i) {
        const DownloadEntry& e = downloads[i];
        const bool same =
            byAddress ? e.service == link.service && e.server == link.server && e.path == link.path
                      : e.path == link.path && e.name == link.name;
        if (same)
            return;
    }
    if (downloads.size() <= static_cast<std::size_t>(downloadCount))
        downloads.resize(static_cast<std::size_t>(downloadCount) + 1);
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
    e.cookies = byAddress ? std::move(cookies) : nullptr;
    e.policy = policy;
    if (byAddress && !nameMask.empty())
        Name(e, link, title);
    ++downloadCount;
}

NameMask::Values DownloadTable::MaskValues(const LinkEntry& link, const std::string& title) {
    return {link.name,
            link.server,
            Folders(link.path),
            link.title.empty() ? title : link.title,
            link.text,
            link.number,
            Today()};
}

void DownloadTable::Name(DownloadEntry& e, const LinkEntry& link, const std::string& title) {
    const std::string path = NameMask::Expand(nameMask, MaskValues(link, title));
    e.masked = true;
    const std::size_t slash = path.rfind('/');
    e.folder = slash == std::string::npos ? "" : path.substr(0, slash);
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::string address = FileOrigin::WithoutCredentials(
        DownloadWorker::RequestAddress(link.server, link.path, link.service));
    // Told apart now, in the order rows are queued: from the rows queued before, and from a
    // file of another address. A file of this address is this row's own from an earlier run.
    const auto now = std::chrono::steady_clock::now();
    if (const std::string folder = LocalFile::JoinPath(saveDirectory, e.folder, "");
        folder != namesFolder || now - namesRead > std::chrono::seconds(1)) {
        folderNames.Read(saveDirectory, e.folder);
        namesFolder = folder;
        namesRead = now;
    }
    e.name = FileOrigin::NameFor(folderNames, saveDirectory, e.folder, name, address,
                                 [&](const std::string& n) {
                                     return std::any_of(
                                         downloads.begin(), downloads.begin() + downloadCount,
                                         [&](const DownloadEntry& d) {
                                             return d.modern && d.folder == e.folder && d.name == n;
                                         });
                                 })
                 .name;
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
    if (row.place == PicturePlace::Tracker && row.mark != LinkEntry::Mark::Content)
        return false;
    const bool picture = row.IsPicture();
    switch (take) {
    case Take::All:
        return true;
    case Take::Movies:
        return movie || c == FileCategory::Video;
    case Take::Jpegs:
    case Take::Pictures:
        return picture && row.IsContent();
    case Take::AllPictures:
        return picture;
    }
    return false;
}

std::vector<int32_t> DownloadTable::Taken(const LinkTable& links, Take take) const {
    std::vector<int32_t> rows;
    const bool pictures =
        take == Take::Jpegs || take == Take::Pictures || take == Take::AllPictures;
    for (int32_t i = 0; i < links.linkCount; ++i)
        if (Takes(take, links.links[i], links.modernRows) &&
            !(pictures && links.modernRows && TooSmall(links.links[i])))
            rows.push_back(i);
    // A name mask numbers what it names in the page's own order, however the list is sorted.
    if (links.modernRows && !nameMask.empty())
        std::stable_sort(rows.begin(), rows.end(), [&](int32_t a, int32_t b) {
            return links.links[a].number < links.links[b].number;
        });
    return rows;
}

bool DownloadTable::TooSmall(const LinkEntry& row) const {
    // The real size when a probe found it, else the declared one; a picture of neither is taken,
    // nor one a probe found no size for (the page's word no longer decides).
    const bool real = row.realWidth > 0 && row.realHeight > 0;
    if (row.probed && !real)
        return false;
    const int32_t w = real ? row.realWidth : row.width;
    const int32_t h = real ? row.realHeight : row.height;
    return w > 0 && h > 0 && (w < minWidth || h < minHeight);
}

int32_t DownloadTable::TooSmallCount(const LinkTable& links, Take take) const {
    int32_t count = 0;
    for (int32_t i = 0; i < links.linkCount; ++i)
        count += Takes(take, links.links[i], links.modernRows) && links.modernRows &&
                 take != Take::All && take != Take::Movies && TooSmall(links.links[i]);
    return count;
}

void DownloadTable::QueueLinks(const LinkTable& links, Take take) {
    for (const int32_t i : Taken(links, take))
        QueueDownload(links.links[i], links.modernRows, links.PageOf(links.links[i]),
                      links.pageTitle, links.cookies, links.referrerPolicy);
}

void DownloadTable::QueueAgain(const LinkTable& links, Take take) {
    const std::vector<int32_t> rows = Taken(links, take);
    for (int32_t i = 0; i < downloadCount; ++i) {
        DownloadEntry& e = downloads[i];
        const bool again =
            IsFinal(e.status) && std::any_of(rows.begin(), rows.end(), [&](int32_t r) {
                const LinkEntry& l = links.links[r];
                return e.service == l.service && e.server == l.server && e.path == l.path;
            });
        if (again)
            e.category = FileCategory::Excluded; // a failed one's part goes with it
    }
    CompactDownloads();
    const int32_t from = downloadCount;
    QueueLinks(links, take);
    for (int32_t i = from; i < downloadCount; ++i)
        downloads[i].again = true;
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
