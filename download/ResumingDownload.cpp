#include "download/ResumingDownload.h"

#include "download/DownloadWorker.h"
#include "download/JobHooks.h"
#include "net/CurlHandles.h"

#include <charconv>
#include <ctime>
#include <curl/curl.h>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

std::optional<uint64_t> Number(std::string_view text) {
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// What one request of a resuming download met.
enum class Answer { None, Body, StartAgain, AlreadyComplete, Wait, Refused };

// One request's side of the transfer: the ".part" is opened only once the answer says what to
// write where.
class ResumeHooks : public JobHooks {
public:
    ResumeHooks(DownloadJob& job, uint64_t offset, uint64_t& knownTotal, std::string& validator)
        : JobHooks(job), offset(offset), knownTotal(knownTotal), validator(validator) {}

    void OnConnected() override {
        if (answer == Answer::None)
            job.state.store(JobState::Requesting, relaxed);
    }

    bool OnHeadersEnd() override {
        const long status = Transfer::StatusCode(*job.handles);
        if (status < 200 || (status >= 300 && status < 400))
            return true; // an interim answer or a redirect; a final 3xx fails at the end
        if (answer != Answer::None)
            return false;
        if (status == 200)
            return Begin(0, Transfer::ContentLength(*job.handles));
        const auto range =
            ResumingDownload::ParseContentRange(Transfer::Header(*job.handles, "Content-Range"));
        if (status == 206) {
            // Only a range that covers what is missing of the same resource continues the file.
            if (!range || !range->start || !range->total || *range->start > offset ||
                (knownTotal != 0 && *range->total != knownTotal)) {
                answer = Answer::StartAgain;
                return false;
            }
            return Begin(*range->start, static_cast<int64_t>(*range->total - *range->start));
        }
        if (status == 416 && offset > 0 && range && range->total == offset) {
            answer = Answer::AlreadyComplete;
            return false;
        }
        job.cause = "HTTP " + std::to_string(status);
        if (status == 429 || status == 503) {
            const auto wait = ResumingDownload::RetryAfterSeconds(
                Transfer::Header(*job.handles, "Retry-After"), std::time(nullptr));
            job.waitSeconds = wait ? static_cast<int32_t>(std::min<int64_t>(*wait, 1 << 20)) : -1;
            answer = Answer::Wait;
        } else {
            answer = Answer::Refused;
        }
        return false;
    }

    bool OnBody(const char* data, std::size_t size) override {
        if (answer != Answer::Body)
            return false;
        const uint64_t before = received;
        const bool written = Write(data, size);
        bodyBytes += received - before;
        return written;
    }

    bool Close() { return file.Close(); }

    Answer answer = Answer::None;
    uint64_t bodyBytes = 0; // of the bytes the ".part" holds, those this request wrote
    uint64_t expected = 0;  // the whole file's size; 0 while unknown

private:
    // The answer's body is written from `start` on; `length` is what it announced, -1 nothing.
    bool Begin(uint64_t start, int64_t length) {
        if (start == 0) {
            // A whole new copy: the resource may have changed, and its validator with it.
            validator =
                ResumingDownload::StrongValidator(Transfer::Header(*job.handles, "ETag"),
                                                  Transfer::Header(*job.handles, "Last-Modified"));
            job.validators.push_back(std::make_unique<const std::string>(validator));
            job.validator.store(job.validators.back().get(), std::memory_order_release);
            knownTotal = length >= 0 ? static_cast<uint64_t>(length) : 0;
        }
        if (!file.OpenKeeping(job.saveDirectory, job.subdirectory, job.partName, start)) {
            fileError = true;
            job.cause = "cannot write";
            return false;
        }
        answer = Answer::Body;
        receiving = true;
        received = start;
        expected = length >= 0 ? start + static_cast<uint64_t>(length) : 0;
        job.receivedBytes.store(received, relaxed);
        job.totalBytes.store(expected, relaxed);
        job.state.store(JobState::Receiving, relaxed);
        return true;
    }

    uint64_t offset;
    uint64_t& knownTotal;
    std::string& validator;
};

} // namespace

std::optional<ResumingDownload::ContentRange>
ResumingDownload::ParseContentRange(std::string_view value) {
    if (value.substr(0, 6) != "bytes ")
        return std::nullopt;
    value.remove_prefix(6);
    const std::size_t slash = value.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    ContentRange range;
    const std::string_view total = value.substr(slash + 1);
    if (total != "*" && !(range.total = Number(total)))
        return std::nullopt;
    const std::string_view span = value.substr(0, slash);
    if (span == "*")
        return range;
    const std::size_t dash = span.find('-');
    const auto start = dash == std::string_view::npos ? std::nullopt : Number(span.substr(0, dash));
    const auto end = start ? Number(span.substr(dash + 1)) : std::nullopt;
    if (!end || *end < *start || (range.total && *end >= *range.total))
        return std::nullopt;
    range.start = start;
    return range;
}

std::optional<int64_t> ResumingDownload::RetryAfterSeconds(const std::string& value, int64_t now) {
    if (const auto seconds = Number(value))
        return static_cast<int64_t>(std::min<uint64_t>(*seconds, INT32_MAX));
    const time_t date = curl_getdate(value.c_str(), nullptr);
    if (value.empty() || date < 0)
        return std::nullopt;
    return std::max<int64_t>(0, static_cast<int64_t>(date) - now);
}

std::string ResumingDownload::StrongValidator(const std::string& etag,
                                              const std::string& lastModified) {
    if (!etag.empty() && etag.rfind("W/", 0) != 0)
        return etag;
    return lastModified;
}

JobState ResumingDownload::Run(DownloadJob& job) {
    std::string validator = job.startValidator;
    // A ".part" left by an earlier run of this entry is resumed only against its validator; a
    // fresh entry starts it anew.
    uint64_t offset =
        validator.empty() ? 0 : LocalFile::Size(job.saveDirectory, job.subdirectory, job.partName);
    uint64_t knownTotal = offset > 0 ? job.knownTotal : 0;
    const std::string address =
        DownloadWorker::RequestAddress(job.server, job.objectPath, job.service);
    for (int resumes = 0;; ++resumes) {
        if (validator.empty())
            offset = 0; // nothing to resume against: the whole file again
        ResumeHooks hooks(job, offset, knownTotal, validator);
        const Transfer::Request request{job.referer, offset, offset > 0 ? validator : ""};
        const Transfer::Result result =
            Transfer::Run(*job.handles, address, job.userAgent, job.limits, hooks, request);
        const bool closed = hooks.Close();
        if (hooks.fileError || !closed) {
            if (job.cause.empty() || job.cause == "cannot write")
                job.cause =
                    hooks.fileError && hooks.answer == Answer::Body ? "disk full" : "cannot write";
            return JobState::FileError;
        }
        if (result == Transfer::Result::Stopped && hooks.cancelled)
            return JobState::Cancelled;
        if (Transfer::Overlong(*job.handles)) {
            job.cause = "longer than announced";
            return JobState::Failed;
        }
        const bool complete = hooks.answer == Answer::AlreadyComplete ||
                              (hooks.answer == Answer::Body && result == Transfer::Result::Done &&
                               (hooks.expected == 0 || hooks.received == hooks.expected));
        if (complete) {
            if (hooks.answer == Answer::AlreadyComplete) {
                job.receivedBytes.store(offset, relaxed);
                job.totalBytes.store(offset, relaxed);
            }
            job.finalName =
                LocalFile::Publish(job.saveDirectory, job.subdirectory, job.partName, job.fileName);
            if (job.finalName.empty()) {
                job.cause = "cannot rename";
                return JobState::FileError;
            }
            return JobState::Finished;
        }
        if (hooks.answer == Answer::Wait)
            return JobState::Waiting;
        if (hooks.answer == Answer::Refused)
            return JobState::Failed;
        const bool broke = hooks.answer == Answer::StartAgain ||
                           (hooks.answer == Answer::Body && hooks.bodyBytes > 0);
        if (!broke || resumes >= maxResumes) {
            const long status = Transfer::StatusCode(*job.handles);
            if (job.cause.empty())
                job.cause = hooks.answer == Answer::StartAgain ? "bad range"
                            : hooks.answer == Answer::Body && result == Transfer::Result::Done
                                ? "cut short"
                            : hooks.answer == Answer::None && result == Transfer::Result::Done
                                ? "HTTP " + std::to_string(status)
                                : Transfer::FailureText(*job.handles, result);
            return JobState::Failed;
        }
        offset = hooks.answer == Answer::StartAgain ? 0 : hooks.received;
        job.cause.clear();
    }
}
