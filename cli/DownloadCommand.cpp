#include "cli/DownloadCommand.h"

#include "cli/CliJson.h"
#include "download/DownloadMonitor.h"
#include "download/DownloadTable.h"
#include "download/DownloadView.h"
#include "download/DownloadWorker.h"
#include "download/TickRequest.h"
#include "harvest/LinkTable.h"
#include "lists/CellText.h"
#include "lists/FileListSort.h"
#include "lists/LinkedPictures.h"
#include "lists/NextPages.h"
#include "lists/PictureProbes.h"
#include "net/RequestTarget.h"
#include "settings/Settings.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ostream>
#include <poll.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto tickPeriod = std::chrono::milliseconds(250);

// Set by Ctrl-C; the handler also wakes the loop through the monitor's tick request, which is
// safe in a signal handler (a lock-free exchange and a write()).
std::atomic<bool> interrupted{false};
std::atomic<TickRequest*> interruptWaker{nullptr};

extern "C" void OnInterrupt(int) {
    interrupted.store(true, std::memory_order_relaxed);
    if (TickRequest* waker = interruptWaker.load(std::memory_order_acquire))
        waker->Request();
}

// Prints each entry's line as it ends: STATUS, BYTES, LOCALPATH, CAUSE, ADDRESS, tab-separated
// or as one JSON object; nothing else goes to stdout.
class LineView : public DownloadView {
public:
    LineView(std::ostream& out, bool json) : out(out), json(json) {}
    void RefreshRow(int32_t, const DownloadEntry&) override {}
    void OnSettled(int32_t, const DownloadEntry& e) override {
        // A file the folder had already: the kept file's path, no cause.
        const bool same = !e.sameAs.empty();
        const char* status = same ? "Same" : CellText::StatusWord(static_cast<int32_t>(e.status));
        const std::string& cause = same ? dash : e.cause;
        // As it was asked for: percent-encoded ASCII.
        const std::string address =
            EncodeRequestTarget(DownloadWorker::RequestAddress(e.server, e.path, e.service));
        if (json)
            out << CliJson::Line({{"status", status},
                                  {"bytes", e.receivedBytes},
                                  {"path", e.localPath},
                                  {"cause", cause},
                                  {"address", address}});
        else
            out << status << '\t' << e.receivedBytes << '\t' << e.localPath << '\t' << cause << '\t'
                << address;
        out << '\n' << std::flush;
    }

private:
    inline static const std::string dash = "-";
    std::ostream& out;
    bool json;
};

std::string Megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
    return text;
}

// The one-line display on a terminal: files done/total, running, bytes, rate, and the time
// left once every file yet to end has a known size.
void DrawProgress(std::ostream& err, const DownloadTable& table, const DownloadMonitor& monitor,
                  Clock::time_point started) {
    int32_t done = 0;
    uint64_t bytes = 0, fresh = 0, left = 0;
    bool sized = true;
    for (int32_t i = 0; i < table.downloadCount; ++i) {
        const DownloadEntry& e = table.downloads[i];
        done += IsFinal(e.status);
        bytes += e.receivedBytes;
        // What a part held from an earlier run is not this run's rate.
        fresh += e.receivedBytes - std::min(e.receivedBytes, e.resumedFrom);
        if (!IsFinal(e.status)) {
            sized = sized && e.totalBytes != 0;
            left += e.totalBytes - std::min(e.totalBytes, e.receivedBytes);
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    const double rate = seconds > 0 ? static_cast<double>(fresh) / seconds : 0;
    err << "\r" << done << "/" << table.downloadCount << " done, " << monitor.RunningCount()
        << " running, " << Megabytes(static_cast<double>(bytes)) << ", " << Megabytes(rate) << "/s";
    if (sized && rate > 0 && left > 0)
        err << ", " << static_cast<uint64_t>(static_cast<double>(left) / rate + 0.999) << " s left";
    err << "\x1b[K" << std::flush;
}

// What a run came to, over all its turns.
struct Tally {
    int32_t complete = 0;
    int32_t failed = 0;
    int32_t alreadyThere = 0; // complete files a rerun found whole: no byte fetched
    int32_t identical = 0;    // complete files whose bytes the folder had: not kept
    int32_t unfinished = 0;   // left by an interrupt
    uint64_t bytes = 0;       // fetched by this run

    void Add(const DownloadTable& table) {
        for (int32_t i = 0; i < table.downloadCount; ++i) {
            const DownloadEntry& e = table.downloads[i];
            const bool there = e.status == DownloadStatus::Complete && e.resumedFrom > 0 &&
                               e.resumedFrom == e.receivedBytes;
            alreadyThere += there;
            identical += !e.sameAs.empty();
            complete += e.status == DownloadStatus::Complete && !there && e.sameAs.empty();
            failed += IsFinal(e.status) && e.status != DownloadStatus::Complete;
            unfinished += !IsFinal(e.status);
            bytes += e.receivedBytes - std::min(e.receivedBytes, e.resumedFrom);
        }
    }
};

// "12 complete, 1 failed, 3 already there, 34.5 MiB in 3.2 s; 2 pages failed" (with next
// pages "...; 5 pages read; ..."), or after an
// interrupt "interrupted: 3 complete, 8 unfinished (run again to resume)".
void Summary(std::ostream& err, const Tally& t, Clock::time_point started, int pagesRead,
             int pagesFailed, bool interrupted) {
    if (interrupted) {
        err << "interrupted: " << t.complete + t.alreadyThere << " complete, "
            << t.unfinished + t.failed << " unfinished (run again to resume)\n";
        return;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s",
                  std::chrono::duration<double>(Clock::now() - started).count());
    err << t.complete << " complete, " << t.failed << " failed, ";
    if (t.alreadyThere > 0)
        err << t.alreadyThere << " already there, ";
    if (t.identical > 0)
        err << t.identical << " identical, not kept, ";
    err << Megabytes(static_cast<double>(t.bytes)) << " in " << seconds;
    if (pagesRead > 0)
        err << "; " << pagesRead << (pagesRead == 1 ? " page" : " pages") << " read";
    if (pagesFailed > 0)
        err << "; " << pagesFailed << (pagesFailed == 1 ? " page" : " pages") << " failed";
    err << "\n";
}

} // namespace

int DownloadCommand::Run(const std::vector<const LinkTable*>& pages, Settings settings,
                         const InternetSession& session, const Options& options, std::ostream& out,
                         std::ostream& err, bool errIsTerminal) {
    settings.saveDirectory = options.directory;
    if (options.threads)
        settings.maxThreads = *options.threads;
    if (options.flat)
        settings.serverNameSubdirectory = 0;

    // Every row to take, in page order; the table takes them in turns of its capacity.
    DownloadTable table;
    table.nameMask = options.nameMask;
    table.minWidth = options.minWidth;
    table.minHeight = options.minHeight;
    table.saveDirectory = settings.saveDirectory;
    std::vector<std::pair<const LinkTable*, int32_t>> wanted;
    for (const LinkTable* links : pages) {
        for (const int32_t i : table.Taken(*links, options.selection))
            wanted.emplace_back(links, i);
        // A page whose article shows no picture is said, not passed over in silence.
        if (const int32_t others = DownloadTable::PicturesLeftOut(*links, options.selection);
            others > 0 && !options.quiet)
            err << links->pageAddress << ": no content pictures; " << others
                << " other pictures listed (--all-pictures takes them)\n";
    }
    DownloadMonitor monitor(table, session);
    monitor.SetPerServer(options.perServer.value_or(0));
    monitor.SetRateLimit(options.limitRate.value_or(0));
    monitor.SetKeepIdentical(options.keepIdentical);
    LineView view(out, options.json);
    const bool progress = errIsTerminal && !options.quiet;

    interrupted.store(false);
    interruptWaker.store(monitor.Waker().get(), std::memory_order_release);
    struct sigaction action {
    }, previous{};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous);

    const Clock::time_point started = Clock::now();
    bool cancelling = false;
    Tally tally;
    for (std::size_t next = 0; next < wanted.size() && !cancelling;) {
        table.downloadCount = 0;
        for (; next < wanted.size() && table.downloadCount < DownloadTable::capacity; ++next) {
            const auto& [links, row] = wanted[next];
            table.QueueDownload(links->links[row], links->modernRows,
                                links->PageOf(links->links[row]), links->pageTitle, links->cookies,
                                links->referrerPolicy);
        }
        for (;;) {
            if (interrupted.load(std::memory_order_relaxed) && !cancelling) {
                cancelling = true;
                monitor.StopStarting();
                // The parts stay for the next run to continue.
                for (int32_t i = 0; i < table.downloadCount; ++i)
                    monitor.RequestCancel(i, true);
            }
            monitor.MonitorTick(settings, view);
            if (progress)
                DrawProgress(err, table, monitor, started);
            if (cancelling ? monitor.RunningCount() == 0 : table.AllFinal())
                break;
            pollfd wake{monitor.Waker()->Fd(), POLLIN, 0};
            if (::poll(&wake, 1, static_cast<int>(tickPeriod.count())) > 0)
                monitor.Waker()->Take();
        }
        tally.Add(table);
        if (cancelling)
            tally.unfinished += static_cast<int32_t>(wanted.size() - next);
    }

    sigaction(SIGINT, &previous, nullptr);
    interruptWaker.store(nullptr, std::memory_order_release);
    if (progress)
        err << "\n";
    if (!options.quiet)
        Summary(err, tally, started, options.pagesRead, options.pagesFailed, cancelling);
    if (cancelling)
        return 130;
    return tally.failed > 0 ? 1 : 0;
}

void DownloadCommand::FollowLinks(LinkTable& links, const Settings& settings,
                                  const InternetSession& session, std::ostream& err,
                                  const Options& options) {
    DownloadTable none;
    DownloadMonitor monitor(none, session);
    LineView quiet(err, false);
    auto tickWhile = [&](auto running) {
        while (running()) {
            monitor.MonitorTick(settings, quiet);
            pollfd wake{monitor.Waker()->Fd(), POLLIN, 0};
            if (::poll(&wake, 1, static_cast<int>(tickPeriod.count())) > 0)
                monitor.Waker()->Take();
        }
    };
    NextPages next(links);
    if (options.nextPages > 0 && next.Start(monitor, options.nextPages)) {
        tickWhile([&] { return next.Running(); });
        if (!options.quiet)
            err << links.pageAddress << ": " << next.ProgressText() << "\n";
    }
    LinkedPictures linked(links);
    if (options.follow && linked.Start(monitor, {}) > 0) {
        tickWhile([&] { return linked.Running(); });
        if (linked.Failed() > 0 || linked.Overflow() > 0)
            err << linked.ProgressText() << "\n";
    }
    // The pictures found behind the links are probed too.
    PictureProbes probes(links);
    if (options.probe && probes.Start(monitor) > 0) {
        tickWhile([&] { return probes.Left() > 0; });
        probes.Apply();
    }
    FileListSort::SortLinks(links, 0, false);
    std::stable_sort(
        links.links.begin(), links.links.begin() + links.linkCount,
        [](const LinkEntry& a, const LinkEntry& b) { return a.pageIndex < b.pageIndex; });
}

void DownloadCommand::Interrupt() {
    OnInterrupt(SIGINT);
}
