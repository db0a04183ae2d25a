// Filling and sorting a 1,024-row File List in the real list control, offscreen.

#include "SyntheticPage.h"
#include "app/ListView.h"
#include "harvest/LinkTable.h"
#include "lists/CellText.h"
#include "lists/FileListSort.h"
#include "lists/ListColumns.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

LinkTable FullTable() {
    LinkTable table;
    const Settings settings = Settings::Defaults();
    for (int i = 0; table.linkCount < LinkTable::capacity; ++i)
        table.AdmitLink("pics/set" + std::to_string(i % 17) + "/photo" +
                            std::to_string(i * 7919 % 100003) + ".jpg",
                        "http://bench.example/album/index.htm", 0, settings);
    return table;
}

void Fill(QTreeWidget& list, const LinkTable& table) {
    std::vector<ListView::Row> rows;
    rows.reserve(static_cast<std::size_t>(table.linkCount));
    for (int32_t i = 0; i < table.linkCount; ++i)
        rows.push_back(CellText::FileListRow(table.links[i]));
    ListView::Fill(&list, rows);
}

void FillAndSort(benchmark::State& state) {
    QTreeWidget list;
    ListView::Configure(&list);
    ListView::SetUpColumns(&list, ListColumns::fileList);
    list.resize(800, 400);
    list.show();
    LinkTable table = FullTable();
    uint8_t flag = 1;
    Fill(list, table);
    for (auto _ : state) {
        FileListSort::SortFileList(table, flag, list.topLevelItemCount(), 0, false, false);
        Fill(list, table);
        QApplication::processEvents();
    }
    state.counters["rows"] = list.topLevelItemCount();
}

} // namespace

BENCHMARK(FillAndSort)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
