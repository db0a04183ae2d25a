#pragma once
// A momentary private copy of a browser's cookie database (and the journal beside it): the
// browser keeps its own file locked and changing, so it is copied first and read there. The
// copy lives in a folder of its own, tarvik-cookies-PID-XXXXXX, mode 0700, under
// $XDG_RUNTIME_DIR (else /dev/shm, else /tmp), never in the home or a save directory, and goes
// when this object goes, or when the run is ended by SIGINT, SIGTERM or SIGHUP. A run killed
// outright leaves it to the next start, which removes the copies of runs that are gone. The
// browser's files are only ever read.

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

    // The folder copies are made under.
    static std::string Base();
    // Once at start: removes the copies of earlier runs of this user whose process is gone or
    // is no Tarvik, and has SIGINT, SIGTERM and SIGHUP remove this run's before it ends.
    static void CleanUp();
    // Removes the stale copies under `base` now; how many folders went.
    static int RemoveStale(const std::string& base);

private:
    void Remove();

    std::string folder;
    std::string copy;
    int slot = -1; // its place among the copies a signal removes
};
