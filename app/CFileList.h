#pragma once
// The File List under the modern rules: a bar above it (a filter line: text, kind, "Content
// only" and the count shown; the List/Pictures switch) and a grid of thumbnails beside the
// report list, showing the same rows. Row N of the list is link record N, and a tile knows its
// record (pictures and movies come first in the grid); a filter hides rows, and the commands take
// the rows shown and selected in the view in use. Under the classic rules it is the report list
// alone, as it always was. Its widgets are the owner's children.

#include "app/ThumbnailLoader.h"
#include "harvest/LinkTable.h"
#include "lists/RowFilter.h"

#include <QObject>
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidgetItem;
class QListWidget;
class QTreeWidget;
class QWidget;

class CFileList : public QObject {
    Q_OBJECT
public:
    CFileList(QWidget& owner, QTreeWidget* list, const LinkTable& table,
              std::unique_ptr<DownloadMonitor>& monitor);
    ~CFileList() override;

    // The bar and the grid come with the modern rules and go with them.
    void SetModern(bool modern);
    // The File List's room: the bar takes its top under the modern rules, the view the rest.
    void Place(const QRect& room);
    // The report list was filled anew: the grid follows, the filter and the greys apply.
    void Refilled();
    // The rows' cells changed where they stand (probes, marks): selection and scrolling stay.
    void RowsChanged();
    // A new page: its thumbnails start afresh.
    void NewPage() { loader.NewPage(); }

    // The rows shown and selected in the view in use, in order.
    std::vector<int32_t> SelectedRows() const;
    // The view in use: the report list or the grid.
    QWidget* View() const;
    // Told of a double-click on a grid cell, with its row.
    void OnGridDoubleClick(std::function<void(int)> handler) {
        gridDoubleClick = std::move(handler);
    }

    QListWidget* Grid() const { return grid; }
    // The grid's tile of link record `row` (the grid shows pictures and movies first).
    QListWidgetItem* GridItem(int row) const;
    ThumbnailLoader& Loader() { return loader; }
    const RowFilter& Filter() const { return filter; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyFilter();
    void ShowGrid(bool pictures);
    // Greys a Size cell that shows a declared size only.
    void ShowSizeKind(int row);

    QTreeWidget* list;
    const LinkTable& table;
    ThumbnailLoader loader;
    RowFilter filter;
    bool modern = false;
    bool pictures = false; // the grid is the view in use
    QWidget* bar = nullptr;
    QLineEdit* filterBox = nullptr;
    QComboBox* kindBox = nullptr;
    QCheckBox* contentOnly = nullptr;
    QLabel* count = nullptr;
    QComboBox* viewSwitch = nullptr;
    QListWidget* grid = nullptr;
    std::vector<QListWidgetItem*> gridItems; // by link record
    std::function<void(int)> gridDoubleClick;
};
