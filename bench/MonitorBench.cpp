// One monitor tick over a full table of 1,024 entries: 1,008 finished ones to pass over and 16
// running jobs to follow, with the cell texts the window would write. And 20 small files
// downloaded one at a time by tarvik-cli: each settle asks for the tick that starts the next
// file at once, so a file takes milliseconds, not the 250 ms of the timer.

#include "cli/CliCommand.h"
#include "download/DownloadMonitor.h"
#include "download/DownloadView.h"
#include "lists/CellText.h"
#include "net/InternetSession.h"
#include "settings/Settings.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <benchmark/benchmark.h>
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

} // namespace

BENCHMARK(MonitorTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(TwentyFilesOneAtATime)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
