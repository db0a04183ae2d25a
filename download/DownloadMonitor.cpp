#include "download/DownloadMonitor.h"

#include "download/DownloadView.h"
#include "download/DownloadWorker.h"
#include "download/LocalFile.h"
#include "download/PartFile.h"
#include "download/TickRequest.h"
#include "net/CurlHandles.h"
#include "net/InternetSession.h"
#include "net/Site.h"
#include "settings/Settings.h"

#include <algorithm>
#include <ctime>
#include <limits>
#include <string_view>
#include <system_error>
#include <unordered_map>

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

DownloadStatus SettledStatus(JobState state) {
    switch (state) {
    case JobState::Finished:
        return DownloadStatus::Complete;
    case JobState::FileError:
        return DownloadStatus::DiskError;
    case JobState::Cancelled:
        return DownloadStatus::Cancelled;
    default:
        return DownloadStatus::Error;
    }
}

} // namespace

DownloadMonitor::DownloadMonitor(DownloadTable& table, const InternetSession& session)
    : table(table), session(session), waker(std::make_shared<TickRequest>()), now([] {
          return static_cast<int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
      }) {}

DownloadMonitor::~DownloadMonitor() {
    ShutDown(std::chrono::milliseconds(2000));
}

int32_t DownloadMonitor::FindFreeSlot(int32_t maxThreads) const {
    const int32_t limit = std::min(maxThreads, slotCount);
    for (int32_t i = 0; i < limit; ++i)
        if (!workerSlots[i].job)
            return i;
    return -1;
}

DownloadJob* DownloadMonitor::JobOf(const DownloadEntry& entry) const {
    if (entry.status != DownloadStatus::Downloading && entry.status != DownloadStatus::Paused)
        return nullptr;
    if (entry.workerSlot < 0 || entry.workerSlot >= slotCount)
        return nullptr;
    return workerSlots[entry.workerSlot].job.get();
}

void DownloadMonitor::RequestPause(int32_t index) {
    if (index < 0 || index >= table.downloadCount)
        return;
    if (DownloadJob* job = JobOf(table.downloads[index]))
        job->pauseRequested.store(!job->pauseRequested.load(relaxed), relaxed);
}

void DownloadMonitor::RequestCancel(int32_t index, bool keepPart) {
    if (index < 0 || index >= table.downloadCount)
        return;
    DownloadEntry& e = table.downloads[index];
    if (e.status == DownloadStatus::Waiting) {
        e.cancelWait = true;
        e.keepPart = keepPart;
    }
    if (DownloadJob* job = JobOf(e))
        job->cancelRequested.store(
            keepPart ? DownloadJob::cancelKeepingPart : DownloadJob::cancelDiscarding, relaxed);
}

int32_t DownloadMonitor::RunningCount() const {
    return static_cast<int32_t>(
        std::count_if(workerSlots.begin(), workerSlots.end(),
                      [](const WorkerSlot& s) { return s.job != nullptr; }));
}

bool DownloadMonitor::PathInUse(const std::string& localPath) const {
    return std::any_of(workerSlots.begin(), workerSlots.end(),
                       [&](const WorkerSlot& s) { return s.job && s.job->localPath == localPath; });
}

void DownloadMonitor::MonitorTick(const Settings& settings, DownloadView& view) {
    int32_t counted = 0;
    settledInTick = false;
    // The modern downloads each server runs now, when their number is limited.
    std::unordered_map<std::string_view, int32_t> running;
    for (int32_t i = 0; perServer > 0 && i < table.downloadCount; ++i) {
        const DownloadEntry& e = table.downloads[i];
        running[e.server] += e.modern && (e.status == DownloadStatus::Downloading ||
                                          e.status == DownloadStatus::Paused);
    }
    for (int32_t i = 0; i < table.downloadCount; ++i) {
        if (counted >= settings.maxThreads)
            break;
        DownloadEntry& e = table.downloads[i];
        switch (e.status) {
        case DownloadStatus::Starting: {
            if (e.awaitingCookies)
                break;
            if (perServer > 0 && e.modern && running[e.server] >= perServer)
                break; // its server is busy enough: another server's row may start
            ++counted;
            const int32_t slot = startsStopped ? -1 : FindFreeSlot(settings.maxThreads);
            if (slot >= 0) {
                StartDownload(i, slot, settings);
                running[e.server] += e.status == DownloadStatus::Downloading;
                if (e.status == DownloadStatus::DiskError)
                    view.OnSettled(i, e);
            }
            view.RefreshRow(i, e);
            break;
        }
        case DownloadStatus::Downloading: {
            const JobState state =
                workerSlots[e.workerSlot].job->state.load(std::memory_order_acquire);
            if (state == JobState::Created || state == JobState::Connecting ||
                state == JobState::Requesting)
                break; // not counted, cells untouched
            FollowJob(i, state, view);
            ++counted;
            view.RefreshRow(i, e);
            break;
        }
        case DownloadStatus::Waiting:
            // A waiting entry holds no slot and does not count toward the limit.
            FollowWait(i, view);
            break;
        case DownloadStatus::Paused: {
            const int64_t t = now();
            e.startTime += t - e.lastTickTime; // paused time is left out of the rate
            e.lastTickTime = t;
            const JobState state =
                workerSlots[e.workerSlot].job->state.load(std::memory_order_acquire);
            if (state == JobState::Receiving)
                e.status = DownloadStatus::Downloading;
            else if (IsFinal(state))
                Settle(i, SettledStatus(state), view);
            ++counted;
            view.RefreshRow(i, e);
            break;
        }
        default:
            break;
        }
    }
    SettleEndedBeyondScan(view);
    FollowLookUps(settings);
    if (settledInTick)
        waker->Request(); // a slot came free: let the next waiting file start at once
}

void DownloadMonitor::SettleEndedBeyondScan(DownloadView& view) {
    // The scan stops after maxThreads counted rows, and rows waiting for a slot count. Waiting
    // rows above running ones (a retried row, say) would keep the scan from ever reaching the
    // running ones, and their slots would never come free: settle any ended job here.
    for (int32_t slot = 0; slot < slotCount; ++slot) {
        const DownloadJob* job = workerSlots[slot].job.get();
        if (job == nullptr || !IsFinal(job->state.load(std::memory_order_acquire)))
            continue;
        for (int32_t i = 0; i < table.downloadCount; ++i) {
            if (JobOf(table.downloads[i]) == job) {
                Settle(i, SettledStatus(job->state.load(std::memory_order_relaxed)), view);
                view.RefreshRow(i, table.downloads[i]);
                break;
            }
        }
    }
}

void DownloadMonitor::FollowJob(int32_t index, JobState state, DownloadView& view) {
    DownloadEntry& e = table.downloads[index];
    const DownloadJob& job = *workerSlots[e.workerSlot].job;
    if (state == JobState::Receiving) {
        e.totalBytes = job.totalBytes.load(relaxed);
        e.receivedBytes = job.receivedBytes.load(relaxed);
        const uint64_t resumedFrom = job.resumedFrom.load(relaxed);
        e.resumedFrom = resumedFrom == DownloadJob::notResumed ? 0 : resumedFrom;
        e.lastTickTime = now();
        // Whole seconds, as the rate has always been counted; the bytes of an earlier run that
        // the part held are not this transfer's.
        const int64_t elapsed = (e.lastTickTime - e.startTime) / 1000;
        if (e.recent.Empty()) // from its start, without what an earlier run left in its part
            e.recent.Add(e.startTime, e.resumedFrom);
        e.recent.Add(e.lastTickTime, e.receivedBytes);
        if (e.modern) {
            // The modern rows show the speed of the last two seconds, at least 1 KB/s while
            // bytes arrive.
            const uint64_t perSecond = e.recent.PerSecond();
            e.rateKBps = static_cast<int32_t>(
                std::min<uint64_t>(perSecond == 0 ? 0 : std::max<uint64_t>(1, perSecond / 1024),
                                   std::numeric_limits<int32_t>::max()));
        } else if (elapsed > 0) {
            const uint64_t rate = (e.receivedBytes - std::min(e.receivedBytes, e.resumedFrom)) /
                                  static_cast<uint64_t>(elapsed) / 1024;
            e.rateKBps =
                static_cast<int32_t>(std::min<uint64_t>(rate, std::numeric_limits<int32_t>::max()));
        }
        if (const std::string* validator = job.validator.load(std::memory_order_acquire))
            e.validator = *validator;
    } else if (state == JobState::Paused) {
        e.status = DownloadStatus::Paused;
    } else {
        Settle(index, SettledStatus(state), view);
    }
}

void DownloadMonitor::ReadKeptDigests(const std::string& saveDirectory) {
    if (keepIdentical || kept.Holds(saveDirectory) ||
        (keptReader.joinable() && readingFolder == saveDirectory))
        return;
    TakeKeptDigests();
    readingFolder = saveDirectory;
    try {
        keptReader =
            std::thread([this, saveDirectory] { reading.Load(saveDirectory, &stopReading); });
    } catch (const std::system_error&) {
        // No thread: the first settle reads them itself.
    }
}

void DownloadMonitor::TakeKeptDigests() {
    if (!keptReader.joinable())
        return;
    keptReader.join(); // what the reader wrote is this thread's from here on
    if (reading.Holds(readingFolder))
        kept = std::move(reading);
    reading = KeptDigests();
}

void DownloadMonitor::KeepOnce(DownloadEntry& e, const DownloadJob& job) {
    const std::string path =
        job.subdirectory.empty() ? job.finalName : job.subdirectory + "/" + job.finalName;
    if (keepIdentical || e.again)
        return;
    TakeKeptDigests();
    kept.Load(job.saveDirectory); // unless they are the ones read
    const std::string same = kept.Find(job.sha256, e.receivedBytes, path);
    if (same.empty()) {
        kept.Add(job.sha256, path);
        return;
    }
    // The file just published is Tarvik's own, under the name it was given a moment ago.
    LocalFile::Remove(job.saveDirectory, job.subdirectory, job.finalName);
    e.sameAs = same;
    e.savedAs = same;
    e.localPath = LocalFile::JoinPath(job.saveDirectory, "", same);
}

void DownloadMonitor::Settle(int32_t index, DownloadStatus status, DownloadView& view) {
    DownloadEntry& e = table.downloads[index];
    WorkerSlot& slot = workerSlots[e.workerSlot];
    DownloadJob& job = *slot.job;
    e.totalBytes = job.totalBytes.load(relaxed);
    e.receivedBytes = job.receivedBytes.load(relaxed);
    if (const uint64_t from = job.resumedFrom.load(relaxed); from != DownloadJob::notResumed)
        e.resumedFrom = from; // a file found whole has every byte from before
    if (slot.thread.joinable())
        slot.thread.join(); // it has stored its final state: only its return is left
    if (job.modern) {
        if (const std::string* validator = job.validator.load(std::memory_order_acquire))
            e.validator = *validator;
        e.cause = job.cause;
        e.partName = job.partName;
        if (!job.finalName.empty()) {
            // The row names the file as it really is: "image (2).jpg" beside the user's own.
            e.name = job.finalName;
            e.localPath = LocalFile::JoinPath(job.saveDirectory, job.subdirectory, job.finalName);
            e.savedAs =
                job.subdirectory.empty() ? job.finalName : job.subdirectory + "/" + job.finalName;
        }
        if (status == DownloadStatus::Complete && !job.sha256.empty())
            KeepOnce(e, job);
        if (job.state.load(relaxed) == JobState::Waiting) {
            status = Wait(e, job.waitSeconds);
            // Waited for in vain: nothing hidden stays beside no part.
            if (status == DownloadStatus::Error && !e.partName.empty() &&
                LocalFile::Size(LocalFile::DirectoryOf(e.localPath), "", e.partName) == 0)
                PartFile::Discard(LocalFile::DirectoryOf(e.localPath), "", e.partName);
        }
    }
    // The folders made for a row that failed, or whose file was not kept, go again when
    // nothing was left in them.
    if (e.modern && e.madeFolders > 0 &&
        (status == DownloadStatus::Error || status == DownloadStatus::DiskError ||
         !e.sameAs.empty())) {
        LocalFile::RemoveEmptyFolders(job.saveDirectory, job.subdirectory, e.madeFolders);
        e.madeFolders = 0;
    }
    slot.job.reset();
    e.status = status;
    settledInTick = true;
    if (status != DownloadStatus::Waiting)
        view.OnSettled(index, e);
}

DownloadStatus DownloadMonitor::Wait(DownloadEntry& e, int32_t asked) {
    if (++e.waits > maxWaits)
        return DownloadStatus::Error; // the cause names the status that asked
    const int32_t seconds = DownloadJob::WaitSeconds(asked, e.waits, maxWaitSeconds);
    e.waitUntil = now() + int64_t{seconds} * 1000;
    e.waitLeft = seconds;
    return DownloadStatus::Waiting;
}

void DownloadMonitor::FollowWait(int32_t index, DownloadView& view) {
    DownloadEntry& e = table.downloads[index];
    if (e.cancelWait) {
        e.cancelWait = false;
        e.status = DownloadStatus::Cancelled;
        if (!e.keepPart)
            PartFile::Discard(LocalFile::DirectoryOf(e.localPath), "", e.partName);
        settledInTick = true;
        view.OnSettled(index, e);
    } else {
        // The cell counts whole seconds down, rounded up: "0 s" only once the wait is over.
        const int64_t left = e.waitUntil - now();
        e.waitLeft = static_cast<int32_t>(std::max<int64_t>(0, (left + 999) / 1000));
        if (left <= 0)
            e.status = DownloadStatus::Starting; // resumes its ".part" when a slot is free
    }
    view.RefreshRow(index, e);
}

void DownloadMonitor::StartDownload(int32_t index, int32_t slot, const Settings& settings) {
    DownloadEntry& e = table.downloads[index];
    // A name mask chose the folders; otherwise the server's name makes one, when asked for.
    const bool masked = e.modern && e.masked;
    const bool perServer = settings.serverNameSubdirectory != 0 && !masked;
    const std::string subdirectory = masked ? e.folder : perServer ? e.server : std::string();
    const std::string localPath = LocalFile::JoinPath(settings.saveDirectory, subdirectory, e.name);
    // A second writer of one file waits until the first has ended.
    if (PathInUse(localPath))
        return;
    const int64_t t = now();
    e.workerSlot = slot;
    e.recent.Reset();
    e.sameAs.clear();
    e.startTime = t;
    e.lastTickTime = t;
    e.localPath = localPath;
    e.savedAs = subdirectory.empty() ? e.name : subdirectory + "/" + e.name;
    const bool modern = e.modern;
    if (modern)
        ReadKeptDigests(settings.saveDirectory);
    bool safeFolders = true; // a kept queue's folders are checked as a mask's were made
    for (std::size_t at = 0; masked && !e.folder.empty() && at <= e.folder.size();) {
        const std::size_t end = std::min(e.folder.find('/', at), e.folder.size());
        safeFolders = safeFolders && LocalFile::SafeName(e.folder.substr(at, end - at));
        at = end + 1;
    }
    if (!LocalFile::SafeName(e.name) || (perServer && !LocalFile::SafeName(e.server)) ||
        !safeFolders) {
        // Nothing is written, and nothing is asked of the server, for a name that could lead
        // outside the save directory.
        e.status = DownloadStatus::DiskError;
        e.cause = modern ? "unsafe name" : "";
        settledInTick = true;
        return;
    }
    // A path no file system takes is refused before anything is made or asked for.
    if (modern &&
        subdirectory.size() + 1 + PartFile::PartName(e.name, "", 999).size() >= maxPathBytes) {
        e.status = DownloadStatus::DiskError;
        e.cause = "name too long";
        settledInTick = true;
        return;
    }
    // The modern rules make a missing save directory, with its parents, before the request.
    std::string reason;
    if (modern && !LocalFile::MakeDirectories(settings.saveDirectory, reason)) {
        e.status = DownloadStatus::DiskError;
        e.cause = "cannot make the folder: " + reason;
        settledInTick = true;
        return;
    }
    if (perServer || (masked && !subdirectory.empty()))
        e.madeFolders += LocalFile::MakeSubdirectory(settings.saveDirectory, subdirectory);
    // Nothing is asked of the server for a file that could not be written: its name is taken by
    // a directory, a link or a FIFO. (A modern download writes a part of its own and never
    // replaces a file.)
    if (!modern && LocalFile::Occupied(settings.saveDirectory, subdirectory, e.name)) {
        e.status = DownloadStatus::DiskError;
        settledInTick = true;
        return;
    }
    e.status = DownloadStatus::Downloading;
    e.resumedFrom = 0;

    DownloadJob& job = NewJob(slot);
    job.objectPath = e.path;
    job.server = e.server;
    job.service = e.service;
    job.saveDirectory = settings.saveDirectory;
    job.subdirectory = subdirectory;
    job.fileName = e.name;
    job.localPath = localPath;
    job.modern = modern;
    if (modern)
        job.limits.rate = rateLimit; // downloads share the line; look-ups are never held
    job.referer = e.referer;
    job.policy = e.policy;
    if (modern && e.cookies)
        GiveCookies(job, *e.cookies);
    const FileCategory c = e.category;
    job.media = c == FileCategory::Jpeg || c == FileCategory::Gif || c == FileCategory::Image ||
                c == FileCategory::Avi || c == FileCategory::Mpeg || c == FileCategory::Video ||
                c == FileCategory::Audio;
    e.cause.clear();
    StartJob(slot);
}

void DownloadMonitor::GiveCookies(DownloadJob& job, const CookieJar& jar) {
    // The job's own copy of its page's site's cookies: a request to another site carries none.
    job.cookieSite = Site::Of(Site::HostOf(job.referer));
    job.cookies = jar.OfSite(job.cookieSite);
    job.sendCookies = true;
}

DownloadJob& DownloadMonitor::NewJob(int32_t slot) {
    WorkerSlot& s = workerSlots[slot];
    if (!s.handles)
        s.handles = std::make_unique<CurlHandles>();
    s.job = std::make_unique<DownloadJob>();
    s.job->userAgent = session.UserAgent();
    s.job->limits = session.Limits();
    s.job->handles = s.handles.get();
    s.job->waker = waker;
    return *s.job;
}

void DownloadMonitor::StartJob(int32_t slot) {
    WorkerSlot& s = workerSlots[slot];
    try {
        s.thread = std::thread(DownloadWorker::Run, std::ref(*s.job));
    } catch (const std::system_error&) {
        // Settled as its entry's Error, or as a failed page read.
        s.job->state.store(JobState::Failed, std::memory_order_release);
    }
}

void DownloadMonitor::QueueLookUp(LookUpKind kind, std::string address, std::string referer,
                                  LookUpSink* sink, int64_t ticket,
                                  std::shared_ptr<const CookieJar> cookies,
                                  ReferrerPolicy::Kind policy, int64_t rangeFrom) {
    lookUps.Add(kind, std::move(address), std::move(referer), std::move(cookies), sink, ticket);
    lookUps.Last().policy = policy;
    lookUps.Last().rangeFrom = rangeFrom;
    waker->Request();
}

void DownloadMonitor::DropLookUps(const LookUpSink* sink) {
    // A running look-up keeps its slot until it has ended; nothing is told of it.
    lookUps.Drop(sink, [this](int32_t slot) {
        if (workerSlots[slot].job)
            workerSlots[slot].job->cancelRequested.store(DownloadJob::cancelDiscarding, relaxed);
    });
}

void DownloadMonitor::FollowLookUps(const Settings& settings) {
    for (int32_t slot = 0; slot < slotCount; ++slot) {
        LookUpQueue::Item* item = lookUps.OnSlot(slot);
        if (item == nullptr)
            continue;
        WorkerSlot& s = workerSlots[slot];
        if (!s.job) { // the shutdown took it: it ends untold
            lookUps.Forget(*item);
            continue;
        }
        const JobState state = s.job->state.load(std::memory_order_acquire);
        if (!IsFinal(state))
            continue;
        if (s.thread.joinable())
            s.thread.join();
        settledInTick = true;
        const std::unique_ptr<DownloadJob> job = std::move(s.job);
        lookUps.Ended(*item, state, *job, now(), maxWaits, maxWaitSeconds);
    }
    // New look-ups take the highest free slots, out of the downloads' way.
    while (!startsStopped) {
        LookUpQueue::Item* item = lookUps.Next(now());
        if (item == nullptr)
            break;
        int32_t slot = slotCount - 1;
        while (slot >= 0 && workerSlots[slot].job)
            --slot;
        if (slot < 0)
            break;
        StartLookUp(*item, slot, settings);
    }
}

void DownloadMonitor::StartLookUp(LookUpQueue::Item& item, int32_t slot, const Settings& settings) {
    const std::size_t scheme = item.address.find("://");
    const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t slash = std::min(item.address.find('/', start), item.address.size());
    DownloadJob& job = NewJob(slot);
    job.server = item.server;
    job.objectPath = item.address.substr(slash);
    job.service = Site::IsHttps(item.address) ? 2 : 0;
    job.referer = item.referer;
    job.policy = item.policy;
    if (item.cookies)
        GiveCookies(job, *item.cookies);
    if (item.kind == LookUpKind::Page) {
        job.page = std::make_unique<PageText>();
        job.page->UseModernRules(true);
        job.page->Clear();
        job.links = std::make_unique<LinkTable>();
        job.harvest = settings;
        job.harvest.modernRules = 1;
    } else if (item.kind == LookUpKind::Probe) {
        job.bodyCap = probeBytes;
        job.rangeFrom = static_cast<uint64_t>(item.rangeFrom);
        job.rangeTo = item.rangeFrom + static_cast<int64_t>(probeBytes) - 1;
    } else {
        job.bodyCap = thumbnailBytes;
    }
    // A look-up that drips holds its slot no longer than a stalled one would.
    job.limits.total = job.limits.stall;
    item.slot = slot;
    StartJob(slot);
}

void DownloadMonitor::ShutDown(std::chrono::milliseconds wait) {
    StopStarting();
    stopReading.store(true, relaxed);
    TakeKeptDigests();
    lookUps.Drop(nullptr, [](int32_t) {}); // every job is cancelled below
    for (WorkerSlot& s : workerSlots)
        if (s.job)
            s.job->cancelRequested.store(DownloadJob::cancelKeepingPart, relaxed);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto ended = [](const WorkerSlot& s) {
        return !s.job || IsFinal(s.job->state.load(std::memory_order_acquire));
    };
    while (!std::all_of(workerSlots.begin(), workerSlots.end(), ended) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (int32_t slot = 0; slot < slotCount; ++slot) {
        WorkerSlot& s = workerSlots[slot];
        if (!s.job)
            continue;
        // Its entry no longer names a job: it ends Cancelled (or as its job ended), so that a
        // later tick has nothing to follow.
        for (int32_t i = 0; i < table.downloadCount; ++i) {
            DownloadEntry& e = table.downloads[i];
            if (JobOf(e) == s.job.get())
                e.status = ended(s) ? SettledStatus(s.job->state.load(std::memory_order_acquire))
                                    : DownloadStatus::Cancelled;
        }
        if (ended(s)) {
            if (s.thread.joinable())
                s.thread.join();
            s.job.reset();
        } else {
            // Still running: the thread keeps its job and handles for good.
            s.thread.detach();
            static_cast<void>(s.job.release());
            static_cast<void>(s.handles.release());
        }
    }
}
