#include "download/TickRequest.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

TickRequest::TickRequest() : fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

TickRequest::~TickRequest() {
    if (fd >= 0)
        ::close(fd);
}

void TickRequest::Request() {
    // acq_rel: the receiver that clears the flag sees every write made before the request.
    if (pending.exchange(true, std::memory_order_acq_rel) || fd < 0)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

void TickRequest::Take() {
    // Drain first, then let requests through: the other order could swallow a request whose
    // write lands between the two and leave the flag set with nothing to read.
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(fd, &count, sizeof count);
    pending.store(false, std::memory_order_release);
}
