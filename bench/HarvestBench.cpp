// Scanning, admitting and sorting a 1 MiB page with 1,500 links, by the classic rules and by the
// modern ones (parse, resolve, admit, sort): the work "Get URL" does after the fetch.

#include "SyntheticPage.h"
#include "harvest/LinkTable.h"
#include "lists/PageHarvest.h"
#include "settings/Settings.h"

#include <benchmark/benchmark.h>

namespace {

void ScanAndAdmit(benchmark::State& state) {
    const bool modern = state.range(0) != 0;
    const std::string page = modern ? SyntheticModernPage(1500) : SyntheticPage(1500);
    Settings settings = Settings::Defaults();
    settings.modernRules = modern ? 1 : 0;
    LinkTable table;
    uint8_t sortDescending = 1;
    for (auto _ : state) {
        PageHarvest(table, sortDescending, settings)
            .Scan(page, "http://bench.example/gallery/index.html");
        benchmark::DoNotOptimize(table.linkCount);
    }
    state.counters["links"] = table.linkCount;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(page.size()));
}

} // namespace

BENCHMARK(ScanAndAdmit)->ArgName("modern")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
