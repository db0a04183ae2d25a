#include "download/ResumingDownload.h"

#include "harvest/TextMatch.h"

#include "download/DownloadWorker.h"
#include "download/FileOrigin.h"
#include "download/JobHooks.h"
#include "download/PartFile.h"
#include "download/Sha256.h"
#include "net/CurlHandles.h"

#include <charconv>
#include <ctime>
#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

std::optional<uint64_t> Number(std::string_view text) {
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// A file an earlier run published for the address: its name, version and size.
struct Earlier {
    std::string name;
    std::string version;
    uint64_t size = 0;
};

// What one request of a resuming download met.
enum class Answer { None, Body, StartAgain, AlreadyComplete, AlreadyHave, Wait, Refused };

// One request's side of the transfer: the ".part" is opened only once the answer says what to
// write where, and only bytes of the version the part holds are added to it.
class ResumeHooks : public JobHooks {
public:
    ResumeHooks(DownloadJob& job, PartFile& part, uint64_t offset, const std::string& address,
                const Earlier* earlier, Sha256& digest)
        : JobHooks(job), part(part), offset(offset), address(address), earlier(earlier),
          digest(digest) {}

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
        if ((status == 200 || status == 206) && job.media &&
            StartsWithNoCase(Transfer::Header(*job.handles, "Content-Type"), "TEXT/HTML")) {
            job.cause = "got a web page"; // a login page never stands in for the picture
            answer = Answer::Refused;
            return false;
        }
        const PartFile::Identity& known = part.Recorded();
        const std::string validator = AnswerValidator();
        if (status == 200) {
            const int64_t length = Transfer::ContentLength(*job.handles);
            if (HaveAlready(validator, length)) {
                answer = Answer::AlreadyHave;
                return false;
            }
            return Begin(0, length, validator);
        }
        const auto range =
            ResumingDownload::ParseContentRange(Transfer::Header(*job.handles, "Content-Range"));
        // A 206 to a plain request that holds the whole file is the file.
        if (status == 206 && offset == 0 && range && range->start == 0 && range->total &&
            *range->end + 1 == *range->total)
            return Begin(0, static_cast<int64_t>(*range->total), validator);
        if (status == 206) {
            // Only a range of the same version that covers what is missing continues the part.
            if (offset == 0 || validator != known.validator || !range || !range->start ||
                !range->total || *range->start > offset ||
                (known.total != 0 && *range->total != known.total)) {
                answer = Answer::StartAgain;
                return false;
            }
            if (known.total == 0) { // the size is known from now on
                PartFile::Identity sized = known;
                sized.total = *range->total;
                part.Record(sized);
            }
            return Begin(*range->start, static_cast<int64_t>(*range->total - *range->start),
                         validator);
        }
        // The part is whole only when an earlier answer announced its size, and the 416 is
        // of the same version: a short old copy is never published as the file.
        if (status == 416 && offset > 0 && known.total == offset &&
            (!range || !range->total || *range->total == offset) &&
            (validator.empty() || validator == known.validator)) {
            answer = Answer::AlreadyComplete;
            return false;
        }
        if (status == 416 && offset > 0) {
            answer = Answer::StartAgain;
            return false;
        }
        job.cause = "HTTP " + std::to_string(status);
        if (status == 429 || status == 503) {
            job.TakeRetryAfter();
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
        digest.Add(data, static_cast<std::size_t>(received - before));
        return written;
    }

    bool Close() { return file.Close(); }
    // The whole file is in the part: it takes its origin now, while it is open.
    bool Describe(const std::string& sha256) { return part.Describe(file, job.referer, sha256); }

    Answer answer = Answer::None;
    uint64_t bodyBytes = 0; // of the bytes the ".part" holds, those this request wrote
    uint64_t expected = 0;  // the whole file's size; 0 while unknown

private:
    std::string AnswerValidator() const {
        return ResumingDownload::StrongValidator(Transfer::Header(*job.handles, "ETag"),
                                                 Transfer::Header(*job.handles, "Last-Modified"));
    }

    // The file this address gave before is still there, and the server announces no other
    // version and no other length: nothing to fetch again.
    bool HaveAlready(const std::string& validator, int64_t length) const {
        if (earlier != nullptr)
            return (validator.empty() || validator == earlier->version) &&
                   (length < 0 || static_cast<uint64_t>(length) == earlier->size);
        // A record of an older run that named the file it published.
        const PartFile::Identity& known = part.Recorded();
        return !known.finalName.empty() && !known.validator.empty() &&
               validator == known.validator && (length < 0 || known.total == uint64_t(length)) &&
               LocalFile::Size(job.saveDirectory, job.subdirectory, known.finalName) ==
                   known.total &&
               !LocalFile::Occupied(job.saveDirectory, job.subdirectory, known.finalName);
    }

    // The answer's body is written from `start` on; `length` is what it announced, -1 nothing.
    bool Begin(uint64_t start, int64_t length, const std::string& validator) {
        // A whole new copy: the part now holds this version, whatever it held before; it is
        // recorded with the new part in one write.
        PartFile::Identity fresh;
        fresh.address = address;
        fresh.validator = validator;
        fresh.total = length >= 0 ? static_cast<uint64_t>(length) : 0;
        if (!part.Open(file, start, start == 0 ? &fresh : nullptr)) {
            fileError = true;
            job.cause = "cannot write";
            return false;
        }
        if (start == 0) {
            job.validators.push_back(std::make_unique<const std::string>(validator));
            job.validator.store(job.validators.back().get(), std::memory_order_release);
        }
        // The digest covers the part's bytes before `start`: kept from the request before, or
        // read once from a part an earlier run left.
        if (digest.Bytes() != start) {
            digest.Reset();
            if (!digest.AddFile(file.Descriptor(), start)) {
                fileError = true;
                job.cause = "cannot read";
                return false;
            }
        }
        answer = Answer::Body;
        receiving = true;
        received = start;
        expected = length >= 0 ? start + static_cast<uint64_t>(length) : 0;
        if (job.resumedFrom.load(relaxed) == DownloadJob::notResumed)
            job.resumedFrom.store(start, relaxed); // the rate counts from the job's first body
        job.receivedBytes.store(received, relaxed);
        job.totalBytes.store(expected, relaxed);
        job.state.store(JobState::Receiving, relaxed);
        return true;
    }

    PartFile& part;
    uint64_t offset;
    const std::string& address;
    const Earlier* earlier;
    Sha256& digest;
};

// The file an earlier run published for `address`: the row's name or a numbered variant of it
// that keeps this address as its origin.
std::optional<Earlier> FindEarlier(const DownloadJob& job, const std::string& address) {
    NamedFile named =
        FileOrigin::NameFor(job.saveDirectory, job.subdirectory, job.fileName, address);
    if (!named.earlier)
        return std::nullopt;
    return Earlier{named.name, named.earlier->version, named.size};
}

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
    range.end = end;
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
    const std::string address =
        DownloadWorker::RequestAddress(job.server, job.objectPath, job.service);
    PartFile part;
    if (!part.Claim(job.saveDirectory, job.subdirectory, job.fileName, address)) {
        job.cause = "cannot write";
        return JobState::FileError;
    }
    job.partName = part.Name();
    const JobState outcome = Fetch(job, part, address);
    if (outcome == JobState::Cancelled &&
        job.cancelRequested.load(relaxed) != DownloadJob::cancelKeepingPart)
        part.Discard();
    if (outcome == JobState::Failed || outcome == JobState::FileError)
        part.DiscardUnlessResumable(); // a failure keeps at most its resumable part
    return outcome;
}

JobState ResumingDownload::Fetch(DownloadJob& job, PartFile& part, const std::string& address) {
    // A part is resumed only against the validator its record holds.
    uint64_t offset = part.Recorded().validator.empty() ? 0 : part.Size();
    const std::optional<Earlier> earlier = FindEarlier(job, address);
    Sha256 digest; // of the bytes the part holds, as they are written
    for (int resumes = 0;; ++resumes) {
        if (part.Recorded().validator.empty())
            offset = 0; // nothing to resume against: the whole file again
        ResumeHooks hooks(job, part, offset, address, earlier ? &*earlier : nullptr, digest);
        const std::string& validator = part.Recorded().validator;
        Transfer::Request request = job.Request();
        request.rangeFrom = offset;
        request.ifRange = offset > 0 ? validator : "";
        const Transfer::Result result =
            Transfer::Run(*job.handles, address, job.userAgent, job.limits, hooks, request);
        const bool whole = hooks.answer == Answer::Body && result == Transfer::Result::Done &&
                           !hooks.fileError && !Transfer::Overlong(*job.handles) &&
                           (hooks.expected == 0 || hooks.received == hooks.expected);
        const bool described =
            whole && hooks.Describe(digest.Bytes() == hooks.received ? digest.Hex() : "");
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
        if (hooks.answer == Answer::AlreadyHave) {
            const PartFile::Identity& known = part.Recorded();
            const uint64_t size = earlier ? earlier->size : known.total;
            job.receivedBytes.store(size, relaxed);
            job.totalBytes.store(size, relaxed);
            job.resumedFrom.store(size, relaxed); // every byte was there: none in the rate
            job.finalName = earlier ? earlier->name : known.finalName;
            part.Discard(); // no record stays beside the file
            return JobState::Finished;
        }
        const bool complete = hooks.answer == Answer::AlreadyComplete ||
                              (hooks.answer == Answer::Body && result == Transfer::Result::Done &&
                               (hooks.expected == 0 || hooks.received == hooks.expected));
        if (complete) {
            if (hooks.answer == Answer::AlreadyComplete) {
                job.receivedBytes.store(offset, relaxed);
                job.totalBytes.store(offset, relaxed);
                if (digest.Bytes() != offset) { // a part an earlier run finished: read once
                    LocalFile whole;
                    digest.Reset();
                    if (!part.Open(whole, offset) || !digest.AddFile(whole.Descriptor(), offset))
                        digest.Reset();
                }
            }
            std::string why;
            job.sha256 = digest.Bytes() == job.receivedBytes.load(relaxed) ? digest.Hex() : "";
            job.finalName = part.Publish(job.fileName, job.referer, job.sha256, why,
                                         described && hooks.answer == Answer::Body);
            if (job.finalName.empty()) {
                job.cause = why;
                return why == "the part was replaced" ? JobState::Failed : JobState::FileError;
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
