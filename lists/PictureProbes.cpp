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
    std::unordered_set<std::string> known(asked.begin(), asked.end());
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
        asked.push_back(std::move(address));
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

PictureProbes::Found PictureProbes::Read(const DownloadJob& job) {
    const ImageHeader::Info info = ImageHeader::Read(job.body);
    Found f{info.width, info.height, job.fileBytes, info.mediaType};
    if (f.mediaType.empty() && StartsWithNoCase(job.contentType, "TEXT/HTML"))
        f.mediaType = "text/html";
    return f;
}

void PictureProbes::OnLookUp(int64_t ticket, JobState state, DownloadJob& job) {
    --left;
    if (state != JobState::Finished || ticket < 0 || ticket >= static_cast<int64_t>(asked.size()))
        return; // a row whose probe failed stays as it was
    const std::string& address = asked[static_cast<std::size_t>(ticket)];
    found[address] = Read(job);
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
        if (!e.IsPicture() || e.bytes >= 0 || e.realWidth > 0 || !e.mediaType.empty())
            continue;
        const auto it = found.find(AddressOf(e));
        if (it == found.end())
            continue;
        const Found& f = it->second;
        e.realWidth = f.width;
        e.realHeight = f.height;
        e.bytes = f.bytes;
        e.mediaType = f.mediaType;
        if (f.mediaType == "text/html") {
            e.category = FileCategory::HtmlLink; // what a login page or an error page says
            e.place = PicturePlace::None;
        }
        changed = true;
    }
    return changed;
}
