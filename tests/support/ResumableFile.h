#pragma once
// A file on a loopback server that honours Range with If-Range as a web server does, with the
// faults a case asks for: answers that break off, ask to wait first, or come from another
// version or from another place in the file.

#include "tests/support/LoopbackServer.h"

#include <atomic>
#include <string>

struct ResumableFile {
    std::string body;
    std::string validators = "ETag: \"v1\"\r\n"; // of `body`
    std::string second = "";     // a second version (ETag "v2") served after the first answer
    bool ranges = true;          // honours Range with If-Range
    bool ignoresIfRange = false; // answers a range whatever its If-Range
    int shift = 0;               // a 206 that starts this far from what was asked
    bool short416 = false;       // a range is answered "416 bytes */3000"
    bool chunked = false;        // sent chunked, without a length
    bool always206 = false;      // a plain request too is answered 206, with the whole file
    bool then500 = false;        // every answer after the first is a 500
    int waits = 0;               // answers asking to wait first
    std::string wait = "";       // their status line and Retry-After header
    int cuts = 1;                // answers (after the waits) that break off at byte `cutAt`
    std::size_t cutAt = 3000;
    const std::atomic<bool>* breaks = nullptr; // while it holds, every answer breaks off
    bool stall = false;                        // a cut answer stalls instead of closing
    std::size_t piece = 0; // sent in pieces of this many bytes, `gapMs` apart; 0: at once
    int gapMs = 0;

    LoopbackServer::Handler Handler() const;
    // The value of `header` in `request`; empty when it has none.
    static std::string HeaderOf(const std::string& request, const std::string& header);
};
