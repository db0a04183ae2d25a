#include "download/DownloadWorker.h"

#include "download/DownloadJob.h"
#include "download/JobHooks.h"
#include "download/LookUpRead.h"
#include "download/ResumingDownload.h"
#include "download/TickRequest.h"
#include "net/CurlHandles.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

// The job's side of the transfer: the file is opened only once the final answer is a 200, so a
// failed answer leaves any file of that name as it was.
class WorkerHooks : public JobHooks {
public:
    using JobHooks::JobHooks;

    void OnConnected() override {
        if (!receiving)
            job.state.store(JobState::Requesting, relaxed);
    }

    bool OnHeadersEnd() override {
        const long status = Transfer::StatusCode(*job.handles);
        if (status < 200 || (status >= 300 && status < 400))
            return true; // an interim answer or a redirect; a final 3xx fails at the end
        if (status != 200 || receiving)
            return false;
        if (!file.Open(job.saveDirectory, job.subdirectory, job.fileName)) {
            fileError = true;
            return false;
        }
        receiving = true;
        announced = Transfer::ContentLength(*job.handles);
        job.totalBytes.store(announced > 0 ? static_cast<uint64_t>(announced) : 0, relaxed);
        job.state.store(JobState::Receiving, relaxed);
        return true;
    }

    bool OnBody(const char* data, std::size_t size) override {
        return receiving && Write(data, size); // nothing of an answer that is not a 200
    }

    JobState Outcome(Transfer::Result result) {
        const bool closed = file.Close();
        if (fileError || !closed)
            return JobState::FileError;
        if (result == Transfer::Result::Stopped && cancelled)
            return JobState::Cancelled;
        if (result != Transfer::Result::Done || !receiving ||
            Transfer::StatusCode(*job.handles) != 200)
            return JobState::Failed;
        if ((announced >= 0 && received != static_cast<uint64_t>(announced)) ||
            Transfer::Overlong(*job.handles))
            return JobState::Failed;
        return JobState::Finished;
    }

private:
    int64_t announced = -1;
};

} // namespace

std::string DownloadWorker::RequestAddress(const std::string& server, const std::string& path,
                                           int32_t service) {
    std::string address = service == 2 ? "https://" : "http://";
    address += server;
    if (path.empty() || path.front() != '/')
        address += '/';
    // A '#' in a stored path is part of the file's name, not the start of a fragment.
    for (const char c : path)
        address += c == '#' ? std::string("%23") : std::string(1, c);
    return address;
}

void DownloadWorker::Run(DownloadJob& job) {
    job.receivedBytes.store(0, relaxed);
    job.state.store(JobState::Connecting, relaxed);
    JobState outcome = JobState::Failed;
    if (job.page || job.bodyCap > 0) {
        outcome = LookUpRead::Run(job);
    } else if (job.modern) {
        outcome = ResumingDownload::Run(job);
    } else {
        WorkerHooks hooks(job);
        const Transfer::Result result =
            Transfer::Run(*job.handles, RequestAddress(job.server, job.objectPath, job.service),
                          job.userAgent, job.limits, hooks);
        outcome = hooks.Outcome(result);
    }
    const std::shared_ptr<TickRequest> waker = job.waker;
    job.state.store(outcome, std::memory_order_release);
    // `job` may be gone from here on.
    if (waker)
        waker->Request();
}
