#include "app/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    charWidth = std::max(1.0, metrics.horizontalAdvance(letters) / 52.0);
    lineHeight = std::max(1, metrics.height());
}

void DialogUnits::Place(QWidget* widget, int x, int y, int w, int h) const {
    widget->setGeometry(Rect(x, y, w, h));
}

void DialogUnits::PlaceText(QWidget* widget, int x, int y, int w, int h) const {
    QRect r = Rect(x, y, w, h);
    r.setWidth(std::max(r.width(), widget->sizeHint().width()));
    widget->setGeometry(r);
}
