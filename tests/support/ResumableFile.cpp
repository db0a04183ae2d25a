#include "tests/support/ResumableFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

std::string ResumableFile::HeaderOf(const std::string& request, const std::string& header) {
    const std::size_t at = request.find("\r\n" + header + ": ");
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + header.size() + 4;
    return request.substr(start, request.find("\r\n", start) - start);
}

LoopbackServer::Handler ResumableFile::Handler() const {
    auto count = std::make_shared<std::atomic<int>>(0);
    return [f = *this, count](LoopbackServer::Connection& c) {
        const int n = (*count)++;
        if (n < f.waits)
            return static_cast<void>(c.Send(f.wait + "Content-Length: 0\r\n\r\n"));
        const bool later = n > f.waits;
        if (later && f.then500)
            return static_cast<void>(c.Send(LoopbackServer::Response("", "500 Oops")));
        const bool changed = later && !f.second.empty();
        const std::string& body = changed ? f.second : f.body;
        const std::string validators = changed ? "ETag: \"v2\"\r\n" : f.validators;
        const std::string range = HeaderOf(c.Request(), "Range");
        const std::string ifRange = HeaderOf(c.Request(), "If-Range");
        const bool partial = f.ranges && range.rfind("bytes=", 0) == 0 &&
                             (f.ignoresIfRange || validators.find(ifRange) != std::string::npos);
        const std::size_t start = !partial ? 0 : std::stoul(range.substr(6)) + f.shift;
        const bool ranged = partial || f.always206;
        const std::string total = std::to_string(body.size());
        if (partial && (f.short416 || start >= body.size()))
            return static_cast<void>(c.Send("HTTP/1.1 416 No\r\nContent-Range: bytes */" +
                                            (f.short416 ? "3000" : total) +
                                            "\r\nContent-Length: 0\r\n\r\n"));
        std::string head =
            (ranged ? "HTTP/1.1 206 Partial\r\nContent-Range: bytes " + std::to_string(start) +
                          "-" + std::to_string(body.size() - 1) + "/" + total + "\r\n"
                    : std::string("HTTP/1.1 200 OK\r\n")) +
            validators + "Connection: close\r\n" +
            (f.chunked ? std::string("Transfer-Encoding: chunked\r\n\r\n")
                       : "Content-Length: " + std::to_string(body.size() - start) + "\r\n\r\n");
        const bool cut = f.breaks != nullptr ? f.breaks->load() : n - f.waits < f.cuts;
        const std::size_t end = cut ? std::max(start, std::min(body.size(), f.cutAt)) : body.size();
        const std::size_t piece = f.piece > 0 ? f.piece : body.size() + 1;
        for (std::size_t p = start; p < end || p == start; p += piece) {
            std::string bytes = body.substr(p, std::min(piece, end - p));
            if (f.chunked) {
                char size[24];
                std::snprintf(size, sizeof size, "%zx\r\n", bytes.size());
                bytes = size + bytes + "\r\n" + (cut || p + piece < end ? "" : "0\r\n\r\n");
            }
            if (!c.Send(head + bytes))
                return;
            head.clear();
            if (f.gapMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(f.gapMs));
        }
        if (cut && f.stall)
            c.Stall();
    };
}
