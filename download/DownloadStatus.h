#pragma once
// The state of one Download List entry.

#include <cstdint>

enum class DownloadStatus : int32_t {
    Starting = 0,
    Queueing = 1,
    Downloading = 2,
    Paused = 3,
    Complete = 4,
    DiskError = 5,
    Error = 6,
    Cancelled = 7,
};
