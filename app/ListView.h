#pragma once
// Puts the core's column tables and cell texts into a QTreeWidget report list.

#include "lists/ListColumns.h"

#include <span>
#include <string>
#include <vector>

class QTreeWidget;

class ListView {
public:
    using Row = std::vector<std::string>;

    // A report list: no tree decoration, several rows selectable, no sorting by the control,
    // and only a left-button double-click acts.
    static void Configure(QTreeWidget* list);
    // Removes every row, then creates the columns as tabled, left-aligned, their widths
    // multiplied by `scale` (the desktop font's width against the layout's).
    static void SetUpColumns(QTreeWidget* list, std::span<const ListColumn> columns,
                             double scale = 1.0);
    // Sets the columns' widths as SetUpColumns does, and gives `extra` pixels to the columns
    // `growing`, in proportion to their tabled widths.
    static void FitWidths(QTreeWidget* list, std::span<const ListColumn> columns, double scale,
                          int extra, std::initializer_list<int> growing);
    // Replaces all rows with `rows`, in order.
    static void Fill(QTreeWidget* list, const std::vector<Row>& rows);
};
