#pragma once
// The scheduler behind the Download List: on every tick it starts waiting entries on free worker
// slots, copies the progress of running jobs into their entries, settles ended jobs and shows
// the rows it looked at. It owns the 16 worker slots: a job, its thread and the transfer handles
// that the slot keeps from one job to the next. User-interface thread only.

#include "download/DownloadJob.h"
#include "download/DownloadTable.h"
#include "download/KeptDigests.h"
#include "download/LookUpQueue.h"
#include "net/RateLimit.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class CurlHandles;
class DownloadView;
class InternetSession;
class TickRequest;
struct Settings;

class DownloadMonitor {
public:
    static constexpr int32_t slotCount = 16;
    // A server that asks a download to wait is obeyed this often, this long at the most.
    static constexpr int32_t maxWaits = 3;
    static constexpr int32_t maxWaitSeconds = 120;
    // Milliseconds on a monotonic clock.
    using Clock = std::function<int64_t()>;

    DownloadMonitor(DownloadTable& table, const InternetSession& session);
    // Shuts down, waiting about two seconds at most.
    ~DownloadMonitor();
    DownloadMonitor(const DownloadMonitor&) = delete;
    DownloadMonitor& operator=(const DownloadMonitor&) = delete;

    // One scan of the table under the settings in force now.
    void MonitorTick(const Settings& settings, DownloadView& view);

    // The lowest free slot below maxThreads (never beyond 15), or -1.
    int32_t FindFreeSlot(int32_t maxThreads) const;
    // For a Downloading or Paused entry: toggle the pause request, or ask for a cancel; a
    // Waiting entry is cancelled at the next tick. A modern entry's cancel removes its part,
    // unless `keepPart` keeps it for a later run.
    void RequestPause(int32_t index);
    void RequestCancel(int32_t index, bool keepPart = false);

    // No download starts from now on; waiting entries stay Starting.
    void StopStarting() { startsStopped = true; }
    // At most `limit` modern downloads run at once from one server (0: no limit); the rows of
    // a server at its limit stay Starting without counting toward the thread count, so that
    // another server's row takes the free slot.
    void SetPerServer(int32_t limit) { perServer = limit; }
    // All modern downloads together receive at most this many bytes a second (0: no limit),
    // shared among them as they start and end.
    void SetRateLimit(int64_t bytesPerSecond) { rateLimit->SetRate(bytesPerSecond); }
    // A finished modern download whose bytes equal a file Tarvik made in the save folder or
    // under it is not kept (its row names that file), unless identical files are kept.
    void SetKeepIdentical(bool keep) { keepIdentical = keep; }
    // Asks every running job to cancel and waits up to `wait` for them all to end. A job that
    // has not ended by then is left to its thread, never freed, so no worker touches freed
    // memory. No new download starts afterwards.
    void ShutDown(std::chrono::milliseconds wait);

    // Look-ups (pages behind links, probes of pictures, thumbnails) run as jobs of the worker
    // slots beside the downloads, taking the highest free slots, as LookUpQueue orders and
    // limits them, each given up once it has taken the session's stall limit (30 s) of its
    // own; a page is harvested by the modern rules on its worker. `sink` is told of each as it
    // ends, with `ticket`.
    static constexpr std::size_t probeBytes = 65536;        // a probe's first bytes
    static constexpr std::size_t thumbnailBytes = 4u << 20; // the largest thumbnail taken
    void QueueLookUp(LookUpKind kind, std::string address, std::string referer, LookUpSink* sink,
                     int64_t ticket, std::shared_ptr<const CookieJar> cookies = {},
                     ReferrerPolicy::Kind policy = {}, int64_t rangeFrom = 0);
    // Running look-ups of `sink` are cancelled and nothing more is told of any.
    void DropLookUps(const LookUpSink* sink);
    // Look-ups of `sink` (null: of all) queued, waiting or running.
    int32_t LookUpsLeft(const LookUpSink* sink = nullptr) const { return lookUps.Left(sink); }

    int32_t RunningCount() const;
    // Readable when a worker or the last tick asks for an early tick.
    const std::shared_ptr<TickRequest>& Waker() const { return waker; }
    void SetClock(Clock clock) { now = std::move(clock); }

private:
    struct WorkerSlot {
        std::unique_ptr<DownloadJob> job;
        std::thread thread;
        std::unique_ptr<CurlHandles> handles;
    };

    // The longest path of a part under the save directory a row may have.
    static constexpr std::size_t maxPathBytes = 4000;
    void StartDownload(int32_t index, int32_t slot, const Settings& settings);
    void Settle(int32_t index, DownloadStatus status, DownloadView& view);
    // Drops the file `job` published when a kept file has its bytes; else remembers it.
    void KeepOnce(DownloadEntry& e, const DownloadJob& job);
    void FollowJob(int32_t index, JobState state, DownloadView& view);
    void SettleEndedBeyondScan(DownloadView& view);
    // A server asked entry `e` to wait `asked` seconds (-1: it did not say): Waiting, or Error
    // once it has waited maxWaits times.
    DownloadStatus Wait(DownloadEntry& e, int32_t asked);
    void FollowWait(int32_t index, DownloadView& view);
    bool PathInUse(const std::string& localPath) const;
    void FollowLookUps(const Settings& settings);
    void StartLookUp(LookUpQueue::Item& item, int32_t slot, const Settings& settings);
    // A fresh job on `slot` with the session's agent and limits and the slot's handles; then
    // its thread (a thread that cannot be started fails the job).
    DownloadJob& NewJob(int32_t slot);
    static void GiveCookies(DownloadJob& job, const CookieJar& jar);
    void StartJob(int32_t slot);

    LookUpQueue lookUps;
    DownloadJob* JobOf(const DownloadEntry& entry) const;

    DownloadTable& table;
    const InternetSession& session;
    std::array<WorkerSlot, slotCount> workerSlots;
    std::shared_ptr<TickRequest> waker;
    Clock now;
    bool startsStopped = false;
    int32_t perServer = 0;
    bool keepIdentical = false;
    // The kept digests are read on a thread of their own from the start of the first modern
    // download on, so a large or slow save folder holds no tick; a settle waits for them only
    // when they are not read yet. `reading` is the reader's until it is joined.
    void ReadKeptDigests(const std::string& saveDirectory);
    void TakeKeptDigests();
    KeptDigests kept;
    KeptDigests reading;
    std::string readingFolder;
    std::thread keptReader;
    std::atomic<bool> stopReading{false};
    // Shared with the running jobs, which may outlive the monitor (see ShutDown).
    std::shared_ptr<RateLimit> rateLimit = std::make_shared<RateLimit>();
    bool settledInTick = false;
};
