#pragma once
// Runs one HTTP(S) GET on the calling thread, a short poll at a time, so that between polls its
// owner can pause or stop it and a peer that has gone quiet is given up on. Page retrieval and
// every download go through here.

#include "net/CookieJar.h"
#include "net/ReferrerPolicy.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CurlHandles;
class RateLimit;

// What the owner of a transfer is told, and asked, while it runs.
class TransferHooks {
public:
    enum class Control { Go, Pause, Stop };

    virtual ~TransferHooks() = default;
    // A connection is open and the request is about to go out.
    virtual void OnConnected() {}
    // The header block of an answer has ended (interim answers and redirects included).
    // False stops the transfer.
    virtual bool OnHeadersEnd() { return true; }
    // A piece of the final answer's body. False stops the transfer.
    virtual bool OnBody(const char* data, std::size_t size) = 0;
    // Asked before every poll.
    virtual Control Check() { return Control::Go; }
};

// What a request carries beyond its address.
struct TransferRequest {
    std::string referer;    // the page the request is made from; empty: no Referer
    uint64_t rangeFrom = 0; // above 0: only the bytes from here on ("Range: bytes=N-")
    std::string ifRange;    // with rangeFrom: the validator the range depends on
    int64_t rangeTo = -1;   // from 0 on: the bytes up to this one only ("Range: bytes=N-M")
    // What the Referer of each hop is cut to.
    ReferrerPolicy::Kind policy = ReferrerPolicy::Kind::StrictOriginWhenCrossOrigin;
    // The cookies a hop to an address is handed (each list once), as cookie-file lines for
    // libcurl's cookie engine to send where their domain, path and secure flag allow; null: none
    // new. Without it the engine is off. Nothing of an earlier transfer on the same handles is
    // kept.
    std::function<const CookieLines*(const std::string& address)> cookiesFor;
    // When given, receives the cookies afterwards: those handed and those the answers set.
    CookieLines* cookiesAfter = nullptr;
};

class Transfer {
public:
    enum class Result { Done, Failed, Stopped, Stalled };

    struct Limits {
        std::chrono::milliseconds connect{30000};
        // A transfer that receives fewer than stallBytes in this much unpaused time is given up.
        std::chrono::milliseconds stall{30000};
        uint64_t stallBytes = 1024;
        // The whole transfer is given up after this long; 0: no such limit.
        std::chrono::milliseconds total{0};
        // The speed limit the body shares with other transfers; null: none. Time held back by
        // it counts as paused.
        std::shared_ptr<RateLimit> rate;
    };

    using Request = TransferRequest;

    // Fetches `url` (escaped for the request here) with `userAgent`, following at most 10
    // redirects between http and https, hop by hop, each with its own Referer and cookies. Done:
    // the answer ended normally, whatever its status. An answer whose Content-Length is no number
    // is read as one without a length.
    static Result Run(CurlHandles& handles, const std::string& url, const std::string& userAgent,
                      const Limits& limits, TransferHooks& hooks, const Request& request = {});

    // The value of header `name` in the last answer received on `handles`; empty when none.
    static std::string Header(const CurlHandles& handles, const char* name);
    // Why a transfer that ended with `result` failed, in a few words: "refused", "no such
    // server", "timed out", "cut short"...
    static std::string FailureText(const CurlHandles& handles, Result result);

    // True when the body of the last answer ran past its Content-Length (it was cut there).
    static bool Overlong(const CurlHandles& handles);

    // The status code of the last answer received on `handles`, 0 when none.
    static long StatusCode(const CurlHandles& handles);
    // The address the last transfer on `handles` ended at, after redirects; empty when none.
    static std::string FinalAddress(const CurlHandles& handles);
    // The Content-Length the last answer announced, or -1 when it gave none.
    static int64_t ContentLength(const CurlHandles& handles);

private:
    static Result RunOnce(CurlHandles& handles, const std::string& url,
                          const std::string& userAgent, const Limits& limits, TransferHooks& hooks,
                          const Request& request, bool ignoreLength, bool& invalidLength);
};
