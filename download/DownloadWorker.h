#pragma once
// The procedure of a worker thread: fetches one job's file by GET into its local file and tells
// its progress and its outcome only through the job.

#include <cstdint>
#include <string>

struct DownloadJob;

class DownloadWorker {
public:
    // Runs the whole download; the release store of the final state is the last touch of `job`.
    static void Run(DownloadJob& job);

    // "http://" (or "https://" for service 2) + server + path, with a '/' put before a path
    // that lacks one and every '#' of the path written as "%23".
    static std::string RequestAddress(const std::string& server, const std::string& path,
                                      int32_t service);
};
