#pragma once
// The decoded thumbnails of the File List's grid, by address, held in memory only: at most
// capBytes of pixels, the least recently shown dropped first.

#include <QImage>
#include <list>
#include <string>
#include <unordered_map>
#include <utility>

class ThumbnailCache {
public:
    static constexpr qsizetype capBytes = qsizetype{64} << 20;

    // The thumbnail of `address`, now the most recently shown; null when none is held.
    const QImage* Find(const std::string& address);
    // Holds `image` for `address`, dropping the least recently shown beyond the cap.
    void Insert(const std::string& address, QImage image);
    qsizetype Bytes() const { return bytes; }
    int Count() const { return static_cast<int>(index.size()); }

private:
    using Entry = std::pair<std::string, QImage>;
    std::list<Entry> order; // the most recently shown first
    std::unordered_map<std::string, std::list<Entry>::iterator> index;
    qsizetype bytes = 0;
};
