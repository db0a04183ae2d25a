#pragma once
// The user's "Mark as Content" and "Mark as Not Content", kept by page address and picture
// address for as long as the program runs, so that a page read again (Get URL, Back, Forward)
// shows the pictures as they were marked. User-interface thread only.

#include "harvest/LinkTable.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class PlaceMarks {
public:
    // Keeps the marks the rows `selected` of `table` carry now.
    void Remember(const LinkTable& table, const std::vector<int32_t>& selected);
    // Marks the rows of a page just read as they were marked before; false when none was.
    bool Apply(LinkTable& table) const;

private:
    // The page a row was found on and the row's whole address.
    static std::pair<std::string, std::string> Key(const LinkTable& table, const LinkEntry& e);

    std::map<std::pair<std::string, std::string>, LinkEntry::Mark> marks;
};
