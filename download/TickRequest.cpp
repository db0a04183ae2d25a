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
    // The flag is cleared first, so a request made from here on writes again. A request that
    // wrote between the clear and the drain is drained with the older one: the flag shows it,
    // and the descriptor is made readable again, so no request is ever lost (at worst one tick
    // too many follows).
    pending.store(false, std::memory_order_seq_cst);
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(fd, &count, sizeof count);
    if (pending.load(std::memory_order_seq_cst)) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t w = ::write(fd, &one, sizeof one);
    }
}
