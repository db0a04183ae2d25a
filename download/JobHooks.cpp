#include "download/JobHooks.h"

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

} // namespace

TransferHooks::Control JobHooks::Check() {
    if (job.cancelRequested.load(relaxed)) {
        cancelled = true;
        return Control::Stop;
    }
    if (!receiving) // pausing takes effect once the body is coming
        return Control::Go;
    if (job.pauseRequested.load(relaxed)) {
        job.state.store(JobState::Paused, relaxed);
        return Control::Pause;
    }
    job.state.store(JobState::Receiving, relaxed);
    return Control::Go;
}

bool JobHooks::Write(const char* data, std::size_t size) {
    const std::size_t written = file.Write(data, size);
    received += written;
    job.receivedBytes.store(received, relaxed);
    fileError = written != size;
    return !fileError;
}
