#pragma once
// A worker's job that reads an answer into memory instead of a file: a page behind a link (a
// gallery's photo page), harvested on the worker, or a picture's first bytes (a probe) or whole
// small picture (a thumbnail). The body, the address it ended at, its Content-Type and the whole
// file's size go back to the monitor; a server that asks to wait ends the job Waiting, as a
// download does.

#include "download/DownloadJob.h"

#include <optional>
#include <string_view>

class LookUpRead {
public:
    // Runs the whole read and returns the final state; does not store it.
    static JobState Run(DownloadJob& job);
    // The whole file's size a Content-Range value names ("bytes 0-65535/1234567"); none for
    // "*" or anything malformed.
    static std::optional<int64_t> RangeTotal(std::string_view contentRange);
};
