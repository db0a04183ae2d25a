#include "lists/PictureProbes.h"

#include "download/DownloadWorker.h"
#include "harvest/ImageHeader.h"
#include "harvest/TextMatch.h"

#include <unordered_set>

namespace {

std::string AddressOf(const LinkEntry& e) {
    return DownloadWorker::RequestAddress(e.server, e.path, e.service);
}

} // namespace

int32_t PictureProbes::Start(DownloadMonitor& monitor) {
    if (!table.modernRows)
        return 0;
    this->monitor = &monitor;
    std::unordered_set<std::string> known;
    for (const Asked& a : asked)
        known.insert(a.address);
    int32_t queued = 0;
    for (int32_t i = 0; i < table.linkCount; ++i) {
        const LinkEntry& e = table.links[i];
        if (!e.IsPicture() || e.place == PicturePlace::Tracker)
            continue;
        std::string address = AddressOf(e);
        if (!known.insert(address).second)
            continue;
        monitor.QueueLookUp(LookUpKind::Probe, address, table.PageOf(e), this,
                            static_cast<int64_t>(asked.size()), table.cookies,
                            table.referrerPolicy);
        asked.push_back({std::move(address), table.PageOf(e), {}, -1});
        ++queued;
    }
    left += queued;
    return queued;
}

void PictureProbes::Stop(DownloadMonitor& monitor) {
    monitor.DropLookUps(this);
    asked.clear();
    found.clear();
    arriving = false;
    left = 0;
}

void PictureProbes::OnLookUp(int64_t ticket, JobState state, DownloadJob& job) {
    --left;
    if (ticket < 0 || ticket >= static_cast<int64_t>(asked.size()))
        return;
    const Asked a = asked[static_cast<std::size_t>(ticket)];
    const bool first = a.before.continueAt < 0;
    if (state != JobState::Finished) {
        // A row whose probe failed stays as it was; one whose reading on failed keeps what
        // its first bytes told.
        if (!first) {
            found[a.address] = Found{0, 0, a.bytes, a.before.mediaType};
            arriving = true;
        }
        return;
    }
    const ImageHeader::Info info =
        first ? ImageHeader::Read(job.body) : ImageHeader::Continue(job.body, a.before);
    const int64_t bytes = first ? job.fileBytes : a.bytes;
    // The size lies further on: the bytes from the next segment are asked for.
    if (info.width == 0 && info.continueAt > a.before.continueAt &&
        (bytes < 0 || info.continueAt < bytes) &&
        info.continueAt + static_cast<int64_t>(DownloadMonitor::probeBytes) <= maxBytesRead &&
        monitor != nullptr) {
        monitor->QueueLookUp(LookUpKind::Probe, a.address, a.referer, this,
                             static_cast<int64_t>(asked.size()), table.cookies,
                             table.referrerPolicy, info.continueAt);
        asked.push_back({a.address, a.referer, info, bytes});
        ++left;
        return;
    }
    Found f{info.width, info.height, bytes, info.mediaType};
    // The answer's Content-Type names a web page the bytes do not show.
    if (f.mediaType.empty() && first && StartsWithNoCase(job.contentType, "TEXT/HTML"))
        f.mediaType = "text/html";
    found[a.address] = f;
    arriving = true;
}

bool PictureProbes::Apply() {
    if (!arriving)
        return false;
    arriving = false;
    bool changed = false;
    for (int32_t i = 0; i < table.linkCount; ++i) {
        LinkEntry& e = table.links[i];
        // A row listed after its address was answered (behind a link) takes the answer too.
        if (!e.IsPicture() || e.probed)
            continue;
        const auto it = found.find(AddressOf(e));
        if (it == found.end())
            continue;
        const Found& f = it->second;
        e.realWidth = f.width;
        e.realHeight = f.height;
        e.bytes = f.bytes;
        e.mediaType = f.mediaType;
        e.probed = true;
        if (f.mediaType.rfind("video/", 0) == 0)
            e.category = FileCategory::Video; // a movie, whatever its address says
        if (f.mediaType == "text/html") {
            e.category = FileCategory::HtmlLink; // what a login page or an error page says
            e.place = PicturePlace::None;
        }
        changed = true;
    }
    return changed;
}
