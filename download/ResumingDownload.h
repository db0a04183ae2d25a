#pragma once
// A worker's download under the modern rules: the body goes to a ".part" of its own, a transfer
// that breaks after body bytes arrived is resumed (Range + If-Range against a strong validator, up
// to three times), a server that asks to wait ends the job Waiting, and the finished file is
// renamed to NAME, or "NAME (2)"..., never replacing a file.

#include "download/DownloadJob.h"

class PartFile;

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class ResumingDownload {
public:
    static constexpr int maxResumes = 3;

    // Runs the whole download and returns the final state; the job's cause, final name and
    // wait are set for the monitor. Does not store the state itself.
    static JobState Run(DownloadJob& job);

    struct ContentRange {
        std::optional<uint64_t> start; // none for "bytes */TOTAL"
        std::optional<uint64_t> end;   // the last byte, with start
        std::optional<uint64_t> total; // none for "/*"
    };
    // "bytes START-END/TOTAL" or "bytes */TOTAL"; nothing for anything else.
    static std::optional<ContentRange> ParseContentRange(std::string_view value);
    // Retry-After as seconds from `now` (seconds since the epoch): a number of seconds or an
    // HTTP date; nothing when it is neither.
    static std::optional<int64_t> RetryAfterSeconds(const std::string& value, int64_t now);
    // The validator a resume may depend on: a strong ETag, else Last-Modified, else nothing.
    static std::string StrongValidator(const std::string& etag, const std::string& lastModified);

private:
    // The requests of one claimed part: resumed after breaks, started again on a changed
    // version.
    static JobState Fetch(DownloadJob& job, PartFile& part, const std::string& address);
};
