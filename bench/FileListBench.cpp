// Filling and sorting a 1,024-row File List in the real list control, and painting a screen of
// its grid of thumbnails, offscreen.

#include "SyntheticPage.h"
#include "app/CFileList.h"
#include "app/ControlIds.h"
#include "app/ListView.h"
#include "app/ThumbnailDelegate.h"
#include "harvest/LinkTable.h"
#include "lists/CellText.h"
#include "lists/FileListSort.h"
#include "lists/ListColumns.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
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

// One screen of the grid painted over 1,024 rows whose thumbnails are all decoded and held.
void PaintTheGrid(benchmark::State& state) {
    QWidget window;
    window.resize(1000, 700);
    auto* list = new QTreeWidget(&window);
    ListView::Configure(list);
    ListView::SetUpColumns(list, ListColumns::modernFileList);
    LinkTable table = FullTable();
    table.modernRows = true;
    std::vector<ListView::Row> rows;
    for (int32_t i = 0; i < table.linkCount; ++i)
        rows.push_back(CellText::ModernFileListRow(table.links[i]));
    ListView::Fill(list, rows);
    std::unique_ptr<DownloadMonitor> none; // nothing is fetched: every thumbnail is held
    CFileList view(window, list, table, none);
    view.SetModern(true);
    view.Place(QRect(10, 10, 980, 680));
    view.Refilled();
    QImage thumbnail(128, 96, QImage::Format_ARGB32_Premultiplied);
    thumbnail.fill(Qt::darkCyan);
    for (int32_t i = 0; i < table.linkCount; ++i)
        view.Loader().Cache().Insert(ThumbnailDelegate::ThumbnailAddress(table.links[i]),
                                     thumbnail.copy());
    for (QComboBox* box : window.findChildren<QComboBox*>())
        if (box->property("controlId").toInt() == ControlId::ViewSwitch)
            box->setCurrentIndex(1);
    window.show();
    QApplication::processEvents();
    QImage screen(view.Grid()->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.Grid()->viewport()->render(&screen);
        benchmark::DoNotOptimize(screen.bits());
    }
    state.counters["held"] = view.Loader().Cache().Count();
    state.counters["held MB"] = static_cast<double>(view.Loader().Cache().Bytes()) / (1 << 20);
}

} // namespace

BENCHMARK(FillAndSort)->Unit(benchmark::kMillisecond);
BENCHMARK(PaintTheGrid)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
