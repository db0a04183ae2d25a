#pragma once
// A momentary private copy of a browser's cookie database (and the journal beside it): the
// browser keeps its own file locked and changing, so it is copied first and read there. The
// copy lives in a folder of its own under $XDG_RUNTIME_DIR (else the temporary folder), mode
// 0700, never in the home or a save directory, and goes when this object goes. The browser's
// files are only ever read.

#include <string>
#include <vector>

class PrivateCopy {
public:
    PrivateCopy() = default;
    ~PrivateCopy();
    PrivateCopy(const PrivateCopy&) = delete;
    PrivateCopy& operator=(const PrivateCopy&) = delete;

    // Copies `source`, and each of `companions` (names beside it, such as "-wal") that exists,
    // keeping their names; false with `why` when the source cannot be copied.
    bool Make(const std::string& source, const std::vector<std::string>& companions,
              std::string& why);
    // The copy of the source.
    const std::string& Path() const { return copy; }

private:
    std::string folder;
    std::string copy;
    std::vector<std::string> made;
};
