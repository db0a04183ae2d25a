// Scanning and admitting a 1 MiB page with 1,500 links: the work "Get URL" does after the fetch.

#include "SyntheticPage.h"
#include "harvest/LinkTable.h"
#include "harvest/PageScanner.h"
#include "settings/Settings.h"

#include <benchmark/benchmark.h>

namespace {

class Harvest : public ScanListener {
public:
    Harvest(LinkTable& table, const Settings& settings) : table(table), settings(settings) {}
    void OnLink(const std::string& value, const std::string& address, int32_t kind) override {
        table.AdmitLink(value, address, kind, settings);
    }
    void OnTitleCleared() override {}
    void OnTitle(const std::string&) override {}

private:
    LinkTable& table;
    const Settings& settings;
};

void ScanAndAdmit(benchmark::State& state) {
    const std::string page = SyntheticPage(1500);
    const Settings settings = Settings::Defaults();
    LinkTable table;
    for (auto _ : state) {
        table.linkCount = 0;
        Harvest harvest(table, settings);
        PageScanner::ScanPage(page, "http://bench.example/gallery/index.html", harvest);
        benchmark::DoNotOptimize(table.linkCount);
    }
    state.counters["links"] = table.linkCount;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(page.size()));
}

} // namespace

BENCHMARK(ScanAndAdmit)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
