#include "app/ListView.h"

#include "app/TextBridge.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <algorithm>

namespace {

// A report list draws its selection on the first column only, and only while it has the focus.
class FirstColumnSelection : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shown(option);
        const QWidget* list = option.widget;
        if (index.column() != 0 || (list != nullptr && !list->hasFocus()))
            shown.state &= ~QStyle::State_Selected;
        QStyledItemDelegate::paint(painter, shown, index);
    }
};

// Only the left button's double-click acts on a row; the others' are swallowed.
class LeftDoubleClickOnly : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick &&
            static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void ListView::Configure(QTreeWidget* list) {
    list->viewport()->installEventFilter(new LeftDoubleClickOnly(list));
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSortingEnabled(false);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setAllColumnsShowFocus(false);
    list->setItemDelegate(new FirstColumnSelection(list));
    list->header()->setSectionsMovable(false);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsClickable(true);
}

void ListView::SetUpColumns(QTreeWidget* list, std::span<const ListColumn> columns, double scale) {
    list->clear();
    QStringList titles;
    for (const ListColumn& c : columns)
        titles << QString::fromLatin1(c.title);
    list->setColumnCount(static_cast<int>(columns.size()));
    list->setHeaderLabels(titles);
    list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (std::size_t i = 0; i < columns.size(); ++i)
        list->setColumnWidth(static_cast<int>(i), static_cast<int>(columns[i].width * scale + 0.5));
}

void ListView::FitWidths(QTreeWidget* list, std::span<const ListColumn> columns, double scale,
                         int extra, std::initializer_list<int> growing) {
    int shares = 0;
    for (const int c : growing)
        shares += columns[static_cast<std::size_t>(c)].width;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        int width = static_cast<int>(columns[i].width * scale + 0.5);
        for (const int c : growing)
            if (static_cast<std::size_t>(c) == i && shares > 0)
                width += extra * columns[i].width / shares;
        list->setColumnWidth(static_cast<int>(i), std::max(width, 16));
    }
}

void ListView::Fill(QTreeWidget* list, const std::vector<Row>& rows) {
    list->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const Row& row : rows) {
        auto* item = new QTreeWidgetItem();
        for (std::size_t c = 0; c < row.size(); ++c)
            item->setText(static_cast<int>(c), ToQt(row[c]));
        items.append(item);
    }
    list->addTopLevelItems(items);
}
