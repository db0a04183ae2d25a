#pragma once
// Paints a cell of the File List's grid: the row's thumbnail (asked for as it is painted, so
// only rows that come into view are fetched), or a plain frame with what is known, and under
// it the name, the size and the place.

#include "app/ThumbnailLoader.h"
#include "harvest/LinkTable.h"

#include <QStyledItemDelegate>
#include <string>

class ThumbnailDelegate : public QStyledItemDelegate {
public:
    ThumbnailDelegate(const LinkTable& table, ThumbnailLoader& loader, QObject* parent)
        : QStyledItemDelegate(parent), table(table), loader(loader) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Where a row's thumbnail comes from: its smaller size when the page offered one, else the
    // picture itself, unless it is known to be larger than a thumbnail may be; empty for a row
    // that is no picture.
    static std::string ThumbnailAddress(const LinkEntry& row);

private:
    const LinkTable& table;
    ThumbnailLoader& loader;
};
