#pragma once
// What every worker's transfer does the same way, whatever the rules: the body written to the
// local file as it comes, the byte count published, and the job's pause and cancel requests
// obeyed (a pause only once the body is coming).

#include "download/DownloadJob.h"
#include "download/LocalFile.h"
#include "net/Transfer.h"

#include <cstddef>
#include <cstdint>

class JobHooks : public TransferHooks {
public:
    explicit JobHooks(DownloadJob& job) : job(job) {}

    Control Check() override;

    bool fileError = false;
    bool cancelled = false;
    uint64_t received = 0; // the bytes the local file holds

protected:
    // Writes a piece of the body; false (and fileError) when it could not all be written.
    bool Write(const char* data, std::size_t size);

    DownloadJob& job;
    LocalFile file;
    bool receiving = false; // the body of the answer that is wanted is coming
};
