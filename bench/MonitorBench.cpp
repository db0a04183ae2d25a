// One monitor tick over a full table of 1,024 entries: 1,008 finished ones to pass over and 16
// running jobs to follow, with the cell texts the window would write. And 20 small files
// downloaded one at a time by tarvik-cli: each settle asks for the tick that starts the next
// file at once, so a file takes milliseconds, not the 250 ms of the timer. And the probes of a
// page of 1,024 pictures. And the digests of a save folder of 10,000 files.

#include "cli/CliCommand.h"
#include "download/DownloadMonitor.h"
#include "download/DownloadView.h"
#include "download/FileOrigin.h"
#include "download/KeptDigests.h"
#include "download/TickRequest.h"
#include "lists/CellText.h"
#include "lists/PictureProbes.h"
#include "net/InternetSession.h"
#include "settings/Settings.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <thread>

namespace {

class TextView : public DownloadView {
public:
    void RefreshRow(int32_t, const DownloadEntry& e) override {
        status = CellText::MonitorStatusWord(e.status);
        if (e.totalBytes != 0)
            progress = CellText::ProgressText(e.totalBytes, e.receivedBytes, e.rateKBps);
        benchmark::DoNotOptimize(progress.data());
    }
    const char* status = "";
    std::string progress;
};

void MonitorTick(benchmark::State& state) {
    // Every job receives a first piece and then waits: they stay Receiving for the whole run.
    LoopbackServer server([](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.0 200 OK\r\nContent-Length: 1000000000\r\n\r\n" + std::string(4096, 'x'));
        c.Stall();
    });
    TempDir dir;
    InternetSession session;
    session.SetTimeouts(std::chrono::seconds(60), std::chrono::seconds(600));
    Settings settings = Settings::Defaults();
    settings.saveDirectory = dir.Path();
    settings.maxThreads = 16;
    DownloadTable table;
    for (int i = 0; i < DownloadTable::capacity; ++i) {
        LinkEntry link;
        link.category = FileCategory::Jpeg;
        link.name = std::to_string(i) + ".jpg";
        link.path = "/" + link.name;
        link.server = server.Address("");
        table.QueueDownload(link);
        if (i < DownloadTable::capacity - 16)
            table.downloads[i].status = DownloadStatus::Complete;
    }
    DownloadMonitor monitor(table, session);
    TextView view;
    auto receiving = [&] {
        for (int i = DownloadTable::capacity - 16; i < DownloadTable::capacity; ++i)
            if (table.downloads[i].receivedBytes == 0)
                return false;
        return true;
    };
    while (!receiving()) {
        monitor.MonitorTick(settings, view);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (auto _ : state)
        monitor.MonitorTick(settings, view);
    state.counters["running"] = monitor.RunningCount();
}

void TwentyFilesOneAtATime(benchmark::State& state) {
    std::string page;
    for (int i = 0; i < 20; ++i)
        page += "<img src=/" + std::to_string(i) + ".jpg>";
    LoopbackServer server([&page](LoopbackServer::Connection& c) {
        c.Send(LoopbackServer::Response(c.Path() == "/page.htm" ? page : "a small file"));
    });
    TempDir dir;
    for (auto _ : state) {
        std::ostringstream out, err;
        CliCommand::Run({"download", "--threads", "1", "--flat", "--dir", dir.Path(),
                         server.Address("/page.htm")},
                        out, err, dir.File("tk.opt"));
    }
}

// 1,024 picture rows on 4 servers probed as the window and tarvik-cli probe them: from the
// start to the last size in its row.
void ProbeAPage(benchmark::State& state) {
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x06\x40\0\0\x03\x84", 24);
    auto answer = [&png](LoopbackServer::Connection& c) {
        c.Send("HTTP/1.1 206 Partial\r\nContent-Range: bytes 0-23/250000\r\nContent-Length: "
               "24\r\n\r\n" +
               png);
    };
    LoopbackServer one(answer), two(answer), three(answer), four(answer);
    const LoopbackServer* servers[] = {&one, &two, &three, &four};
    InternetSession session;
    Settings settings = Settings::Defaults();
    DownloadTable none;
    TextView view;
    int shown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        LinkTable page;
        page.modernRows = true;
        for (int i = 0; i < LinkTable::capacity; ++i) {
            LinkEntry e;
            e.category = FileCategory::Image;
            e.place = PicturePlace::Content;
            e.name = std::to_string(i) + ".png";
            e.path = "/" + e.name;
            e.server = servers[i % 4]->Address("");
            page.Append(std::move(e));
        }
        DownloadMonitor monitor(none, session);
        PictureProbes probes(page);
        state.ResumeTiming();
        probes.Start(monitor);
        while (probes.Left() > 0) {
            monitor.MonitorTick(settings, view);
            pollfd wake{monitor.Waker()->Fd(), POLLIN, 0};
            if (::poll(&wake, 1, 250) > 0)
                monitor.Waker()->Take();
        }
        probes.Apply();
        state.PauseTiming();
        shown =
            static_cast<int>(std::count_if(page.links.begin(), page.links.begin() + page.linkCount,
                                           [](const LinkEntry& e) { return e.realWidth == 1600; }));
        state.ResumeTiming();
    }
    state.counters["sizes shown"] = shown;
}

} // namespace

// The digests of a save folder of 10,000 files Tarvik made, in 100 folders: what a run reads
// once before it compares its first finished download.
void ReadKeptDigests(benchmark::State& state) {
    TempDir dir;
    for (int folder = 0; folder < 100; ++folder) {
        const std::string sub = "f" + std::to_string(folder);
        std::filesystem::create_directories(dir.File(sub));
        for (int i = 0; i < 100; ++i) {
            const std::string name = std::to_string(i) + ".jpg";
            std::ofstream(dir.File(sub + "/" + name)) << folder << ' ' << i;
            std::string digest = std::to_string(folder * 100 + i);
            digest.insert(0, 64 - digest.size(), '0');
            FileOrigin{"http://h/" + name, "", "", digest}.Write(dir.Path(), sub, name);
        }
    }
    for (auto _ : state) {
        KeptDigests kept;
        kept.Load(dir.Path());
        benchmark::DoNotOptimize(kept.Size());
    }
}

// A gallery queued again under a mask, into the folder that holds its 3,000 files from before:
// the folder is read once for the burst, not once a row.
void QueueIntoAFullFolder(benchmark::State& state) {
    TempDir dir;
    for (int i = 0; i < 3000; ++i)
        std::ofstream(dir.File("pic" + std::to_string(i) + ".jpg")) << i;
    for (auto _ : state) {
        DownloadTable table;
        table.limit = DownloadTable::modernCapacity;
        table.saveDirectory = dir.Path();
        table.nameMask = "*name*.*ext*";
        for (int i = 0; i < 3000; ++i) {
            const std::string name = "pic" + std::to_string(i) + ".jpg";
            table.QueueDownload(
                {.category = FileCategory::Jpeg, .path = "/" + name, .name = name, .server = "h"},
                true);
        }
        benchmark::DoNotOptimize(table.downloadCount);
    }
}

BENCHMARK(ReadKeptDigests)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(QueueIntoAFullFolder)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ProbeAPage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(MonitorTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(TwentyFilesOneAtATime)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
