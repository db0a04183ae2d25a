#pragma once
// What the File List's filter line lets through: rows whose name, address, alt text or link
// text holds the typed text (letters of any case), of one kind, and with "Content only" the
// content pictures as marked.

#include "harvest/LinkEntry.h"

#include <string>

struct RowFilter {
    enum class Kind { All, Pictures, Movies, Pages, Other };
    std::string text;
    Kind kind = Kind::All;
    bool contentOnly = false;

    bool Passes(const LinkEntry& row) const;
    static bool IsMovie(const LinkEntry& row);
    // "41 of 312 rows"
    static std::string CountText(int shown, int total);
};
