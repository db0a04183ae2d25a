#include "lists/FileListSort.h"

#include <algorithm>

namespace {

unsigned char LowerByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 32) : b;
}

// Marked content sorts with content, marked not content after every place.
int PlaceKey(const LinkEntry& e) {
    return e.mark == LinkEntry::Mark::Content      ? static_cast<int>(PicturePlace::Content)
           : e.mark == LinkEntry::Mark::NotContent ? 256
                                                   : static_cast<int>(e.place);
}

int64_t ShownArea(const LinkEntry& e) {
    if (e.realWidth > 0 && e.realHeight > 0)
        return int64_t{e.realWidth} * e.realHeight;
    return int64_t{e.width} * e.height;
}

} // namespace

int FileListSort::CompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = LowerByte(a[i]);
        const unsigned char y = LowerByte(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

void FileListSort::SortLinks(LinkTable& table, int column, bool descending) {
    auto begin = table.links.begin();
    auto end = begin + table.linkCount;
    switch (column) {
    case 0:
        std::sort(begin, end, [descending](const LinkEntry& a, const LinkEntry& b) {
            const int c = CompareNoCase(a.name, b.name);
            return descending ? c > 0 : c < 0;
        });
        break;
    case 1:
        std::sort(begin, end, [descending](const LinkEntry& a, const LinkEntry& b) {
            return descending ? a.category > b.category : a.category < b.category;
        });
        break;
    case 2: // the path column sorts in the reversed sense
        std::sort(begin, end, [descending](const LinkEntry& a, const LinkEntry& b) {
            const int c = CompareNoCase(a.path, b.path);
            return descending ? c < 0 : c > 0;
        });
        break;
    case 3: // the place of a modern row, as the user marked it
        std::sort(begin, end, [descending](const LinkEntry& a, const LinkEntry& b) {
            return descending ? PlaceKey(a) > PlaceKey(b) : PlaceKey(a) < PlaceKey(b);
        });
        break;
    case 4: // its size as shown (the real one, else the declared one), by area
        std::sort(begin, end, [descending](const LinkEntry& a, const LinkEntry& b) {
            const int64_t x = ShownArea(a), y = ShownArea(b);
            return descending ? x > y : x < y;
        });
        break;
    case 5: // its bytes
        std::sort(begin, end, [descending](const LinkEntry& a, const LinkEntry& b) {
            return descending ? a.bytes > b.bytes : a.bytes < b.bytes;
        });
        break;
    case byNumber:
        std::sort(begin, end, [descending](const LinkEntry& a, const LinkEntry& b) {
            return descending ? a.number > b.number : a.number < b.number;
        });
        break;
    case byServer:
        std::sort(begin, end, [descending](const LinkEntry& a, const LinkEntry& b) {
            const int c = CompareNoCase(a.server, b.server);
            return descending ? c > 0 : c < 0;
        });
        break;
    default:
        break;
    }
}

bool FileListSort::SortFileList(LinkTable& table, uint8_t& sortDescending, int rowCount, int column,
                                bool forced, bool forcedDescending) {
    if (rowCount < 2)
        return false;
    sortDescending = sortDescending != 0 ? 0 : 1;
    SortLinks(table, column, forced ? forcedDescending : sortDescending != 0);
    return true;
}
