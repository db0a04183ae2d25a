#include "download/LookUpRead.h"

#include "download/DownloadWorker.h"
#include "download/ResumingDownload.h"
#include "harvest/ModernHarvest.h"
#include "harvest/PageText.h"
#include "net/CurlHandles.h"

#include <algorithm>
#include <charconv>
#include <ctime>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

class ReadHooks : public TransferHooks {
public:
    explicit ReadHooks(DownloadJob& job) : job(job) {}

    void OnConnected() override { job.state.store(JobState::Requesting, relaxed); }
    bool OnHeadersEnd() override {
        const long status = Transfer::StatusCode(*job.handles);
        if (status < 200 || (status >= 300 && status < 400))
            return true; // an interim answer or a redirect
        if (status == 429 || status == 503) {
            job.TakeRetryAfter();
            waiting = true;
            return false;
        }
        if (status > 299)
            return false; // an error page is no photo page and no picture
        if (job.page) {
            job.page->Clear();
        } else {
            // A 206 names the whole size after its range; a 200 is the whole file.
            const int64_t length = Transfer::ContentLength(*job.handles);
            const std::optional<int64_t> total =
                status == 206
                    ? LookUpRead::RangeTotal(Transfer::Header(*job.handles, "Content-Range"))
                    : std::nullopt;
            job.fileBytes = total ? *total : status == 200 ? length : -1;
            job.body.clear();
            // A server that ignores the range sends the file from its start.
            skip = status == 200 ? job.rangeFrom : 0;
            // A thumbnail too large to take is known from its length before any byte of it.
            if (job.rangeTo < 0 && job.fileBytes > static_cast<int64_t>(job.bodyCap)) {
                job.overCap = true;
                return false;
            }
        }
        job.state.store(JobState::Receiving, relaxed);
        return receiving = true;
    }
    // A page stops at what the buffer holds, as a fetched page does, and a probe at its first
    // bytes, however much a server that ignores the range sends: nothing endless holds the slot.
    bool OnBody(const char* data, std::size_t size) override {
        if (!receiving)
            return false;
        if (job.page) {
            full = !job.page->Append(data, size);
            return !full;
        }
        if (skip > 0) {
            const std::size_t dropped = static_cast<std::size_t>(std::min<uint64_t>(skip, size));
            skip -= dropped;
            data += dropped;
            size -= dropped;
        }
        const std::size_t room = job.bodyCap - job.body.size();
        if (size > room && job.rangeTo < 0) {
            job.overCap = true; // a whole file is wanted, and it is larger than is taken
            return false;
        }
        job.body.append(data, std::min(room, size));
        full = job.rangeTo >= 0 && job.body.size() >= job.bodyCap;
        return !full;
    }
    Control Check() override {
        if (job.cancelRequested.load(relaxed) != 0) {
            cancelled = true;
            return Control::Stop;
        }
        return Control::Go;
    }

    DownloadJob& job;
    uint64_t skip = 0; // bytes before the range asked for
    bool receiving = false;
    bool full = false;
    bool waiting = false;
    bool cancelled = false;
};

} // namespace

std::optional<int64_t> LookUpRead::RangeTotal(std::string_view contentRange) {
    const std::size_t slash = contentRange.rfind('/');
    if (slash == std::string_view::npos || contentRange.substr(0, 6) != "bytes ")
        return std::nullopt;
    std::string_view total = contentRange.substr(slash + 1);
    while (!total.empty() && (total.back() == ' ' || total.back() == '\r' || total.back() == '\t'))
        total.remove_suffix(1);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(total.data(), total.data() + total.size(), value);
    if (error != std::errc() || end != total.data() + total.size() || total.empty() || value < 0)
        return std::nullopt;
    return value;
}

JobState LookUpRead::Run(DownloadJob& job) {
    ReadHooks hooks(job);
    const std::string address =
        DownloadWorker::RequestAddress(job.server, job.objectPath, job.service);
    TransferRequest request = job.Request();
    request.rangeFrom = job.rangeFrom;
    request.rangeTo = job.rangeTo;
    const Transfer::Result result =
        Transfer::Run(*job.handles, address, job.userAgent, job.limits, hooks, request);
    if (hooks.cancelled)
        return JobState::Cancelled;
    if (hooks.waiting)
        return JobState::Waiting;
    if (job.overCap) {
        job.cause = "too large";
        job.body.clear();
        return JobState::Failed;
    }
    const bool read =
        result == Transfer::Result::Done || (result == Transfer::Result::Stopped && hooks.full);
    if (!read || !hooks.receiving) {
        job.cause = Transfer::FailureText(*job.handles, result);
        return JobState::Failed;
    }
    job.finalName = Transfer::FinalAddress(*job.handles);
    job.contentType = Transfer::Header(*job.handles, "Content-Type");
    // Harvested here, so that a large page never holds the window.
    if (job.page && job.links)
        ModernHarvest(*job.links, job.harvest)
            .Scan({job.page->Text(), static_cast<std::size_t>(job.page->Length())},
                  job.finalName.empty() ? address : job.finalName, {}, job.contentType);
    return JobState::Finished;
}
