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

// The modern harvest of hostile shapes: the time stays linear in the page however the page
// nests (1 MiB of nested elements, 16 MiB of unclosed pictures or of long srcsets).
void HostileShapes(benchmark::State& state) {
    const auto shape = static_cast<HostileShape>(state.range(0));
    const std::string page =
        HostilePage(shape, shape == HostileShape::NestedDivs ? 1u << 20 : 16u << 20);
    Settings settings = Settings::Defaults();
    settings.modernRules = 1;
    LinkTable table;
    uint8_t sortDescending = 1;
    for (auto _ : state) {
        PageHarvest(table, sortDescending, settings).Scan(page, "http://bench.example/page");
        benchmark::DoNotOptimize(table.linkCount);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(page.size()));
}

} // namespace

BENCHMARK(ScanAndAdmit)->ArgName("modern")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(HostileShapes)
    ->ArgName("shape")
    ->Arg(static_cast<int>(HostileShape::NestedDivs))
    ->Arg(static_cast<int>(HostileShape::UnclosedPictures))
    ->Arg(static_cast<int>(HostileShape::LongSrcsets))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
