#pragma once
// Converts the layout's dialog units into pixels of the desktop's UI font: a horizontal unit is a
// quarter of the average character width (the mean advance of the 52 letters A-Z and a-z, which
// is what the layout's texts were measured against), a vertical unit an eighth of the line
// height.

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int X(int units) const { return static_cast<int>(units * charWidth / 4 + 0.5); }
    int Y(int units) const { return static_cast<int>(units * lineHeight / 8 + 0.5); }
    // Edges are converted, not sizes, so rectangles that meet in the layout meet on screen too.
    QRect Rect(int x, int y, int w, int h) const {
        return {QPoint(X(x), Y(y)), QPoint(X(x + w) - 1, Y(y + h) - 1)};
    }
    QSize Size(int w, int h) const { return {X(w), Y(h)}; }
    // How much wider the desktop font runs than the layout's (6 pixels a character), for sizes
    // the layout gives in pixels, such as the lists' column widths.
    double PixelScale() const { return charWidth / 6.0; }

    // Places `widget` at the given template rectangle.
    void Place(QWidget* widget, int x, int y, int w, int h) const;
    // The same for a text or check box, widened when its text would not fit: the desktop's font
    // may run wider than the one the layout was drawn with.
    void PlaceText(QWidget* widget, int x, int y, int w, int h) const;

private:
    double charWidth;
    double lineHeight;
};
