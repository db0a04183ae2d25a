#include "app/ThumbnailDelegate.h"

#include "app/TextBridge.h"
#include "download/DownloadWorker.h"
#include "lists/CellText.h"

#include <QApplication>
#include <QPainter>

namespace {

constexpr int margin = 4;

} // namespace

std::string ThumbnailDelegate::ThumbnailAddress(const LinkEntry& row) {
    // A tracker is never asked for more than the page asked (unless the user says otherwise).
    if (!row.IsPicture() || (row.place == PicturePlace::Tracker && !row.IsContent()))
        return {};
    if (!row.preview.empty())
        return row.preview;
    if (row.bytes > static_cast<int64_t>(DownloadMonitor::thumbnailBytes))
        return {};
    return DownloadWorker::RequestAddress(row.server, row.path, row.service);
}

QSize ThumbnailDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    const int line = option.fontMetrics.height();
    return {ThumbnailLoader::side + 4 * margin, ThumbnailLoader::side + 3 * line + 3 * margin};
}

void ThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const int row = index.data(Qt::UserRole).toInt(); // its link record
    if (row < 0 || row >= table.linkCount)
        return;
    const LinkEntry& e = table.links[row];
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    cell.icon = QIcon();
    const QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, option.widget);
    // Not every style fills a selected item of an icon view: the tile shows its selection
    // itself, so its caption in the highlighted text's colour always stands on the highlight.
    if (option.state & QStyle::State_Selected)
        painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));

    const QRect frame(option.rect.x() + (option.rect.width() - ThumbnailLoader::side) / 2,
                      option.rect.y() + margin, ThumbnailLoader::side, ThumbnailLoader::side);
    const std::string address = ThumbnailAddress(e);
    const QImage* image = address.empty() ? nullptr
                                          : loader.Want(address, table.PageOf(e), table.cookies,
                                                        table.referrerPolicy);
    painter->save();
    if (image != nullptr) {
        const QPoint at(frame.x() + (frame.width() - image->width()) / 2,
                        frame.y() + (frame.height() - image->height()) / 2);
        painter->drawImage(at, *image);
    } else {
        // A plain frame says what is known: the size of a picture, the kind of anything else.
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawRect(frame.adjusted(0, 0, -1, -1));
        painter->setPen(option.palette.color(QPalette::PlaceholderText));
        const std::string known =
            e.IsPicture() ? CellText::ShownSizeText(e) + "\n" + CellText::BytesText(e.bytes)
                          : CategoryLabel(e.category);
        painter->drawText(frame, Qt::AlignCenter | Qt::TextWordWrap, ToQt(known));
    }
    const QPalette::ColorRole text =
        (option.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
    painter->setPen(option.palette.color(text));
    const int line = option.fontMetrics.height();
    QRect label(option.rect.x() + margin, frame.bottom() + margin, option.rect.width() - 2 * margin,
                line);
    for (const std::string& part : {e.name, CellText::ShownSizeText(e), CellText::PlaceText(e)}) {
        painter->drawText(
            label, Qt::AlignHCenter | Qt::AlignTop,
            option.fontMetrics.elidedText(ToQt(part), Qt::ElideMiddle, label.width()));
        label.translate(0, line);
    }
    painter->restore();
}
