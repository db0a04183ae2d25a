#include "download/PageRead.h"

#include "download/DownloadWorker.h"
#include "download/ResumingDownload.h"
#include "harvest/ModernHarvest.h"
#include "harvest/PageText.h"
#include "net/CurlHandles.h"

#include <algorithm>
#include <ctime>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

class PageHooks : public TransferHooks {
public:
    explicit PageHooks(DownloadJob& job) : job(job) {}

    void OnConnected() override { job.state.store(JobState::Requesting, relaxed); }
    bool OnHeadersEnd() override {
        const long status = Transfer::StatusCode(*job.handles);
        if (status < 200 || (status >= 300 && status < 400))
            return true; // an interim answer or a redirect
        if (status == 429 || status == 503) {
            const auto wait = ResumingDownload::RetryAfterSeconds(
                Transfer::Header(*job.handles, "Retry-After"), std::time(nullptr));
            job.waitSeconds = wait ? static_cast<int32_t>(std::min<int64_t>(*wait, 1 << 20)) : -1;
            waiting = true;
            return false;
        }
        if (status > 299)
            return false; // an error page is no photo page
        job.page->Clear();
        job.state.store(JobState::Receiving, relaxed);
        return receiving = true;
    }
    // A page stops at what the buffer holds, as a fetched page does: an endless body must not
    // hold the slot.
    bool OnBody(const char* data, std::size_t size) override {
        full = receiving && !job.page->Append(data, size);
        return receiving && !full;
    }
    Control Check() override {
        if (job.cancelRequested.load(relaxed) != 0) {
            cancelled = true;
            return Control::Stop;
        }
        return Control::Go;
    }

    DownloadJob& job;
    bool receiving = false;
    bool full = false;
    bool waiting = false;
    bool cancelled = false;
};

} // namespace

JobState PageRead::Run(DownloadJob& job) {
    PageHooks hooks(job);
    const std::string address =
        DownloadWorker::RequestAddress(job.server, job.objectPath, job.service);
    const Transfer::Result result = Transfer::Run(*job.handles, address, job.userAgent, job.limits,
                                                  hooks, {job.referer, 0, ""});
    if (hooks.cancelled)
        return JobState::Cancelled;
    if (hooks.waiting)
        return JobState::Waiting;
    const bool read =
        result == Transfer::Result::Done || (result == Transfer::Result::Stopped && hooks.full);
    if (!read || !hooks.receiving) {
        job.cause = Transfer::FailureText(*job.handles, result);
        return JobState::Failed;
    }
    job.finalName = Transfer::FinalAddress(*job.handles);
    job.contentType = Transfer::Header(*job.handles, "Content-Type");
    // Harvested here, so that a large page never holds the window.
    if (job.links)
        ModernHarvest(*job.links, job.harvest)
            .Scan({job.page->Text(), static_cast<std::size_t>(job.page->Length())},
                  job.finalName.empty() ? address : job.finalName, {}, job.contentType);
    return JobState::Finished;
}
