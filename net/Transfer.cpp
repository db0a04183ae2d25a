#include "net/Transfer.h"

#include "net/CurlHandles.h"
#include "net/RateLimit.h"
#include "net/RequestTarget.h"
#include "net/Site.h"
#include "net/StallWatch.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How long one poll waits for the network, and one paused turn sleeps: well inside the
// monitor's 250 ms tick, so a pause, resume or cancel shows at the next tick.
constexpr int pollMilliseconds = 40;
constexpr auto pausedTurn = std::chrono::milliseconds(10);

struct RunState {
    TransferHooks& hooks;
    StallWatch watch;
    CURL* easy = nullptr;
    RateLimit* rate = nullptr;
    bool handedBack = false; // a piece was handed back for the speed limit: receiving is paused
    bool stoppedByHooks = false;
    bool overlong = false;      // the body ran past its Content-Length
    bool invalidLength = false; // the Content-Length was no number
    bool redirect = false;      // the answer being read sends the request on
};

bool IsRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// What libcurl says about the answer as it reads it: the only word of a body longer than its
// Content-Length, and of a Content-Length that is no number.
int OnDebug(CURL*, curl_infotype type, char* text, size_t size, void* user) {
    if (type != CURLINFO_TEXT)
        return 0;
    auto* run = static_cast<RunState*>(user);
    const std::string_view line(text, size);
    if (line.rfind("Excess found", 0) == 0)
        run->overlong = true;
    else if (line.rfind("Invalid Content-Length", 0) == 0)
        run->invalidLength = true;
    return 0;
}

size_t OnHeaderBytes(char* data, size_t size, size_t count, void* user) {
    auto* run = static_cast<RunState*>(user);
    const size_t n = size * count;
    run->watch.Count(n, Clock::now());
    const bool blankLine =
        (n == 2 && data[0] == '\r' && data[1] == '\n') || (n == 1 && data[0] == '\n');
    if (blankLine) {
        // The address it goes on to is known only once the answer has ended.
        long status = 0;
        curl_header* location = nullptr;
        curl_easy_getinfo(run->easy, CURLINFO_RESPONSE_CODE, &status);
        run->redirect =
            IsRedirect(status) &&
            curl_easy_header(run->easy, "Location", 0, CURLH_HEADER, -1, &location) == CURLHE_OK;
    }
    if (blankLine && !run->hooks.OnHeadersEnd()) {
        run->stoppedByHooks = true;
        return 0;
    }
    return n;
}

int64_t Nanoseconds(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

size_t OnBodyBytes(char* data, size_t size, size_t count, void* user) {
    auto* run = static_cast<RunState*>(user);
    const size_t n = size * count;
    const Clock::time_point now = Clock::now();
    // A piece past the speed limit is handed back, paused, and comes again once it is paid
    // for: one read of many pieces runs no further past the limit than one piece.
    if (run->rate != nullptr && !run->redirect) {
        if (run->rate->HoldFor(Nanoseconds(now)) > 0) {
            run->handedBack = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        run->rate->Took(n, Nanoseconds(now));
    }
    run->watch.Count(n, now);
    if (run->redirect)
        return n; // a redirect's own body is nobody's
    if (!run->hooks.OnBody(data, n)) {
        run->stoppedByHooks = true;
        return 0;
    }
    return n;
}

int OnConnected(void* user, char*, char*, int, int) {
    static_cast<RunState*>(user)->hooks.OnConnected();
    return CURL_PREREQFUNC_OK;
}

constexpr long receiveBuffer = 256L * 1024;
// Under a speed limit the pieces are small (a sixteenth of a second's worth, at least 1 KiB),
// so that one piece runs little past the limit.
constexpr long limitedBuffer = 16L * 1024;
constexpr int maxRedirects = 10;

// The address hop `hop` goes on to from `location`, into `target`; why not when it may not.
CURLcode NextHop(const char* location, int hop, std::string& target) {
    if (hop > maxRedirects)
        return CURLE_TOO_MANY_REDIRECTS;
    if (!Site::IsWeb(location))
        return CURLE_UNSUPPORTED_PROTOCOL;
    target = EncodeRequestTarget(location);
    return CURLE_OK;
}

void Configure(CURL* easy, const std::string& url, const std::string& userAgent,
               const Transfer::Limits& limits, RunState& run) {
    curl_easy_reset(easy);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent.c_str());
    // Large pieces: each costs a poll, a read and a write, so a body of 1 MiB takes a handful
    // instead of 64. Every piece is still written as it comes.
    const int64_t rate = limits.rate ? limits.rate->Rate() : 0;
    curl_easy_setopt(
        easy, CURLOPT_BUFFERSIZE,
        rate > 0 ? std::clamp<long>(static_cast<long>(std::min<int64_t>(rate / 16, limitedBuffer)),
                                    1024L, limitedBuffer)
                 : receiveBuffer);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects are followed here, hop by hop, each with its own Referer and cookies.
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L); // the path is requested as the page wrote it
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
    if (limits.total.count() > 0)
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total.count()));
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeaderBytes);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &run);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBodyBytes);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &run);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, OnConnected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, &run);
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, OnDebug);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, &run);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
}

} // namespace

Transfer::Result Transfer::Run(CurlHandles& handles, const std::string& url,
                               const std::string& userAgent, const Limits& limits,
                               TransferHooks& hooks, const Request& request) {
    bool invalidLength = false;
    const Result result =
        RunOnce(handles, url, userAgent, limits, hooks, request, false, invalidLength);
    // A Content-Length that is no number is no usable length: the answer is asked for again
    // and read to its end, on a connection that closes after it.
    if (result == Result::Failed && invalidLength && handles.LastCode() == CURLE_WEIRD_SERVER_REPLY)
        return RunOnce(handles, url, userAgent, limits, hooks, request, true, invalidLength);
    return result;
}

Transfer::Result Transfer::RunOnce(CurlHandles& handles, const std::string& url,
                                   const std::string& userAgent, const Limits& limits,
                                   TransferHooks& hooks, const Request& request, bool ignoreLength,
                                   bool& invalidLength) {
    if (!handles.Valid())
        return Result::Failed;
    CURL* easy = handles.Easy();
    CURLM* multi = handles.Multi();
    RunState run{hooks, StallWatch(limits.stall, limits.stallBytes), easy, limits.rate.get()};
    std::string target = EncodeRequestTarget(url);
    Configure(easy, target, userAgent, limits, run);
    handles.SetLastCode(CURLE_OK);
    handles.SetOverlong(false);
    if (ignoreLength) {
        curl_easy_setopt(easy, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
        curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    }
    // The handles outlive the job: no cookie of an earlier one stays in them.
    curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
    std::vector<const CookieLines*> handed;
    std::size_t loaded = 0;
    std::string referer;
    // Each hop carries the Referer its policy allows toward it, and the cookies handed for it.
    auto prepareHop = [&](const std::string& address) {
        referer = ReferrerPolicy::RefererFor(request.policy, request.referer, address);
        curl_easy_setopt(easy, CURLOPT_REFERER, referer.empty() ? nullptr : referer.c_str());
        if (!request.cookiesFor)
            return;
        const CookieLines* lines = request.cookiesFor(address);
        if (lines == nullptr || std::find(handed.begin(), handed.end(), lines) != handed.end())
            return;
        handed.push_back(lines);
        // A cookie given starts the engine.
        for (const std::string& line : *lines)
            curl_easy_setopt(easy, CURLOPT_COOKIELIST, line.c_str());
        loaded += lines->size();
    };
    prepareHop(target);
    if (request.cookiesFor && loaded == 0) {
        // No cookie to hand over, and still the answers' own are kept: one placeholder starts
        // the engine and goes at once. (A file of no name would wait in a list a transfer
        // stopped before it began never reads, and is never freed.)
        curl_easy_setopt(easy, CURLOPT_COOKIELIST, "tarvik.invalid\tFALSE\t/\tFALSE\t0\tx\tx");
        curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
    }
    const std::string range = std::to_string(request.rangeFrom) + "-" +
                              (request.rangeTo >= 0 ? std::to_string(request.rangeTo) : "");
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr,
                                                                        curl_slist_free_all);
    if (request.rangeFrom > 0 || request.rangeTo >= 0) {
        curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
        if (!request.ifRange.empty()) {
            headers.reset(curl_slist_append(nullptr, ("If-Range: " + request.ifRange).c_str()));
            curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
        }
    }
    if (curl_multi_add_handle(multi, easy) != CURLM_OK)
        return Result::Failed;

    run.watch.Start(Clock::now());
    bool paused = false;
    int hops = 0;
    Result result = Result::Failed;
    for (;;) {
        const TransferHooks::Control control = hooks.Check();
        if (control == TransferHooks::Control::Stop) {
            result = Result::Stopped;
            break;
        }
        // The owner's pause and the speed limit's hold both stop receiving and the stall clock.
        const Clock::time_point now = Clock::now();
        const int64_t hold = run.rate != nullptr ? run.rate->HoldFor(Nanoseconds(now)) : 0;
        if (control == TransferHooks::Control::Pause || hold > 0) {
            if (!paused) {
                curl_easy_pause(easy, CURLPAUSE_RECV);
                run.watch.Pause(now);
                paused = true;
            }
            std::this_thread::sleep_for(control == TransferHooks::Control::Pause
                                            ? pausedTurn
                                            : std::min<std::chrono::nanoseconds>(
                                                  pausedTurn, std::chrono::nanoseconds(hold)));
            continue;
        }
        if (paused || run.handedBack) {
            if (paused)
                run.watch.Resume(Clock::now());
            paused = run.handedBack = false;
            curl_easy_pause(easy, CURLPAUSE_CONT); // may hand over buffered pieces at once
        }

        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        if (running == 0) {
            int queued = 0;
            const CURLMsg* message = curl_multi_info_read(multi, &queued);
            const CURLcode code = message != nullptr && message->msg == CURLMSG_DONE
                                      ? message->data.result
                                      : CURLE_RECV_ERROR;
            char* location = nullptr;
            if (code == CURLE_OK && run.redirect &&
                curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location) == CURLE_OK &&
                location != nullptr) {
                const CURLcode hop = NextHop(location, ++hops, target);
                if (hop == CURLE_OK) {
                    curl_multi_remove_handle(multi, easy);
                    curl_easy_setopt(easy, CURLOPT_URL, target.c_str());
                    prepareHop(target);
                    run.redirect = false;
                    if (curl_multi_add_handle(multi, easy) != CURLM_OK)
                        break;
                    continue;
                }
                handles.SetLastCode(hop);
                break;
            }
            handles.SetLastCode(code);
            result = code == CURLE_OK     ? Result::Done
                     : run.stoppedByHooks ? Result::Stopped
                                          : Result::Failed;
            break;
        }
        if (run.watch.Stalled(Clock::now())) {
            result = Result::Stalled;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, pollMilliseconds, nullptr);
    }
    curl_multi_remove_handle(multi, easy);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr); // the list goes with this call
    handles.SetOverlong(run.overlong);
    invalidLength = run.invalidLength;
    if (request.cookiesFor && request.cookiesAfter != nullptr) {
        request.cookiesAfter->clear();
        curl_slist* list = nullptr;
        if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &list) == CURLE_OK)
            for (const curl_slist* at = list; at != nullptr; at = at->next)
                request.cookiesAfter->emplace_back(at->data);
        curl_slist_free_all(list);
    }
    return result;
}

std::string Transfer::Header(const CurlHandles& handles, const char* name) {
    curl_header* header = nullptr;
    if (!handles.Valid() ||
        curl_easy_header(handles.Easy(), name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK ||
        header == nullptr || header->value == nullptr)
        return {};
    return header->value;
}

std::string Transfer::FailureText(const CurlHandles& handles, Result result) {
    if (result == Result::Stalled)
        return "timed out";
    if (handles.Overlong())
        return "longer than announced";
    switch (handles.LastCode()) {
    case CURLE_COULDNT_CONNECT:
        return "refused";
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return "no such server";
    case CURLE_OPERATION_TIMEDOUT:
        return "timed out";
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
        return "cut short";
    case CURLE_GOT_NOTHING:
        return "empty answer";
    case CURLE_TOO_MANY_REDIRECTS:
        return "redirect loop";
    case CURLE_UNSUPPORTED_PROTOCOL:
        // A redirect to another scheme, or an answer that is no HTTP at all.
        return StatusCode(handles) != 0 ? "unsupported address" : "bad answer";
    case CURLE_WEIRD_SERVER_REPLY:
        return "bad answer";
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
        return "TLS error";
    default:
        return "network error";
    }
}

long Transfer::StatusCode(const CurlHandles& handles) {
    long code = 0;
    curl_easy_getinfo(handles.Easy(), CURLINFO_RESPONSE_CODE, &code);
    return code;
}

int64_t Transfer::ContentLength(const CurlHandles& handles) {
    curl_off_t length = -1;
    curl_easy_getinfo(handles.Easy(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    return length;
}

std::string Transfer::FinalAddress(const CurlHandles& handles) {
    char* address = nullptr;
    if (!handles.Valid() ||
        curl_easy_getinfo(handles.Easy(), CURLINFO_EFFECTIVE_URL, &address) != CURLE_OK ||
        address == nullptr)
        return {};
    return address;
}

bool Transfer::Overlong(const CurlHandles& handles) {
    return handles.Overlong();
}
