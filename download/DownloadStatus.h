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
    Waiting = 8, // the server asked to wait (modern rules): holds no worker slot
};

// Complete, Disk Error, Error and Cancelled: the states a download ends in.
inline bool IsFinal(DownloadStatus s) {
    return s == DownloadStatus::Complete || s == DownloadStatus::DiskError ||
           s == DownloadStatus::Error || s == DownloadStatus::Cancelled;
}
// The final states a retry leaves.
inline bool IsFailed(DownloadStatus s) {
    return s == DownloadStatus::DiskError || s == DownloadStatus::Error;
}
