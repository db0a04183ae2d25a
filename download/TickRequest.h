#pragma once
// A worker's way to ask the user-interface thread for an early monitor tick. Requests coalesce
// (at most one pending) and arrive as a readable event file descriptor, which the window watches
// with a socket notifier and tarvik-cli with poll(). Held by shared pointer: a worker that is
// still running when its owner goes away keeps it alive.

#include <atomic>

class TickRequest {
public:
    TickRequest();
    ~TickRequest();
    TickRequest(const TickRequest&) = delete;
    TickRequest& operator=(const TickRequest&) = delete;

    // Any thread, and a signal handler: makes Fd() readable unless a request is already pending.
    void Request();
    // The receiving thread: clears the descriptor and lets the next request through.
    void Take();
    int Fd() const { return fd; }

private:
    int fd = -1;
    std::atomic<bool> pending{false};
};
