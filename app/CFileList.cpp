#include "app/CFileList.h"

#include "app/ControlIds.h"
#include "app/TextBridge.h"
#include "app/ThumbnailDelegate.h"
#include "lists/CellText.h"
#include "lists/ListColumns.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <algorithm>

namespace {

template <typename W> W* Tagged(W* widget, int id) {
    widget->setProperty("controlId", id);
    return widget;
}

} // namespace

CFileList::CFileList(QWidget& owner, QTreeWidget* list, const LinkTable& table,
                     std::unique_ptr<DownloadMonitor>& monitor)
    : list(list), table(table), loader(monitor) {
    bar = new QWidget(&owner);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    filterBox = Tagged(new QLineEdit(bar), ControlId::FilterBox);
    filterBox->setPlaceholderText("Filter by name, address or text");
    filterBox->setClearButtonEnabled(true);
    filterBox->installEventFilter(this);
    kindBox = Tagged(new QComboBox(bar), ControlId::FilterKind);
    kindBox->addItems({"All", "Pictures", "Movies", "Pages", "Other"});
    contentOnly = Tagged(new QCheckBox("Content only", bar), ControlId::ContentOnly);
    count = Tagged(new QLabel(bar), ControlId::RowCount);
    count->setMinimumWidth(count->fontMetrics().horizontalAdvance("1024 of 1024 rows"));
    viewSwitch = Tagged(new QComboBox(bar), ControlId::ViewSwitch);
    viewSwitch->addItems({"List", "Pictures"});
    row->addWidget(filterBox, 1);
    row->addWidget(kindBox);
    row->addWidget(contentOnly);
    row->addWidget(count);
    row->addStretch();
    row->addWidget(new QLabel("View:", bar));
    row->addWidget(viewSwitch);
    bar->hide();

    grid = Tagged(new QListWidget(&owner), ControlId::FileGrid);
    grid->setViewMode(QListView::IconMode);
    grid->setMovement(QListView::Static);
    grid->setResizeMode(QListView::Adjust);
    grid->setUniformItemSizes(true);
    grid->setSpacing(4);
    grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid->setItemDelegate(new ThumbnailDelegate(table, loader, grid));
    grid->hide();

    connect(filterBox, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
    connect(kindBox, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
    connect(contentOnly, &QCheckBox::toggled, this, [this] { ApplyFilter(); });
    connect(viewSwitch, &QComboBox::currentIndexChanged, this,
            [this](int index) { ShowGrid(index == 1); });
    connect(&loader, &ThumbnailLoader::Arrived, grid->viewport(),
            [this] { grid->viewport()->update(); });
    connect(grid, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (gridDoubleClick)
            gridDoubleClick(item->data(Qt::UserRole).toInt());
    });
}

CFileList::~CFileList() = default;

bool CFileList::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the filter box applies the filter and nothing else (not the default button).
    if (watched == filterBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ApplyFilter();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void CFileList::SetModern(bool on) {
    modern = on;
    bar->setVisible(on);
    if (!on) {
        // The classic File List shows every row, as a list.
        filterBox->clear();
        kindBox->setCurrentIndex(0);
        contentOnly->setChecked(false);
        viewSwitch->setCurrentIndex(0);
        ApplyFilter();
    }
    ShowGrid(on && viewSwitch->currentIndex() == 1);
}

void CFileList::Place(const QRect& room) {
    if (!modern) {
        list->setGeometry(room);
        return;
    }
    const int height = bar->sizeHint().height();
    bar->setGeometry(room.x(), room.y(), room.width(), height);
    const QRect rest(room.x(), room.y() + height + 2, room.width(), room.height() - height - 2);
    list->setGeometry(rest);
    grid->setGeometry(rest);
}

void CFileList::ShowGrid(bool on) {
    if (on == pictures && grid->isVisible() == on)
        return;
    // The other view takes over the selection.
    const std::vector<int32_t> selected = SelectedRows();
    pictures = on;
    list->setVisible(!on);
    grid->setVisible(on);
    if (on) {
        grid->clearSelection();
        for (const int32_t row : selected)
            if (QListWidgetItem* item = GridItem(row))
                item->setSelected(true);
    } else {
        list->clearSelection();
        for (const int32_t row : selected)
            if (QTreeWidgetItem* item = list->topLevelItem(row))
                item->setSelected(true);
    }
}

void CFileList::Refilled() {
    if (!modern)
        return;
    grid->clear();
    const int rows = std::min(list->topLevelItemCount(), table.linkCount);
    gridItems.assign(static_cast<std::size_t>(rows), nullptr);
    // Pictures and movies first, then the other rows, each in the list's order.
    for (const bool visual : {true, false})
        for (int i = 0; i < rows; ++i) {
            const LinkEntry& e = table.links[i];
            if ((e.IsPicture() || RowFilter::IsMovie(e)) != visual)
                continue;
            auto* item = new QListWidgetItem(ToQt(CellText::FileListName(e)).trimmed(), grid);
            item->setData(Qt::UserRole, i);
            gridItems[static_cast<std::size_t>(i)] = item;
        }
    for (int i = 0; i < rows; ++i)
        ShowSizeKind(i);
    ApplyFilter();
}

void CFileList::ShowSizeKind(int row) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    constexpr int sizeColumn = ListColumns::modernSizeColumn;
    if (item == nullptr || row >= table.linkCount || list->columnCount() <= sizeColumn)
        return;
    bool declared = false;
    CellText::ShownSizeText(table.links[row], &declared);
    item->setForeground(sizeColumn, declared ? list->palette().brush(QPalette::PlaceholderText)
                                             : list->palette().brush(QPalette::Text));
}

void CFileList::RowsChanged() {
    if (!modern)
        return;
    for (int i = 0; i < list->topLevelItemCount() && i < table.linkCount; ++i) {
        const std::vector<std::string> cells = CellText::ModernFileListRow(table.links[i]);
        QTreeWidgetItem* item = list->topLevelItem(i);
        for (int c = 0; c < static_cast<int>(cells.size()) && c < list->columnCount(); ++c)
            if (const QString text = ToQt(cells[c]); item->text(c) != text)
                item->setText(c, text);
        ShowSizeKind(i);
    }
    ApplyFilter();
    grid->viewport()->update();
}

void CFileList::ApplyFilter() {
    filter.text = FromQt(filterBox->text());
    filter.kind = static_cast<RowFilter::Kind>(std::max(0, kindBox->currentIndex()));
    filter.contentOnly = contentOnly->isChecked();
    const int total = list->topLevelItemCount();
    int shown = 0;
    for (int i = 0; i < total; ++i) {
        const bool hide = modern && i < table.linkCount && !filter.Passes(table.links[i]);
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (item->isHidden() != hide) {
            item->setHidden(hide);
            if (hide)
                item->setSelected(false);
        }
        if (QListWidgetItem* cell = GridItem(i); cell != nullptr && cell->isHidden() != hide) {
            cell->setHidden(hide);
            if (hide)
                cell->setSelected(false);
        }
        shown += !hide;
    }
    count->setText(ToQt(RowFilter::CountText(shown, total)));
}

std::vector<int32_t> CFileList::SelectedRows() const {
    std::vector<int32_t> rows;
    if (pictures) {
        for (const QListWidgetItem* item : grid->selectedItems())
            if (!item->isHidden())
                rows.push_back(item->data(Qt::UserRole).toInt());
    } else {
        for (const QModelIndex& index : list->selectionModel()->selectedRows())
            if (!modern || !list->topLevelItem(index.row())->isHidden())
                rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

QListWidgetItem* CFileList::GridItem(int row) const {
    return row >= 0 && row < static_cast<int>(gridItems.size())
               ? gridItems[static_cast<std::size_t>(row)]
               : nullptr;
}

QWidget* CFileList::View() const {
    return pictures ? static_cast<QWidget*>(grid) : static_cast<QWidget*>(list);
}
