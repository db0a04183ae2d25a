#pragma once
// The Download List kept on disk beside the options file under the modern rules, so that a run
// that ends, even one that is killed, loses nothing beyond its last second: written whole to a
// temporary file that is renamed over the old one, at most about once a second when the
// queue's entries change, and read back at start.

#include "download/DownloadTable.h"

#include <chrono>
#include <string>

class QueueFile {
public:
    using Clock = std::chrono::steady_clock;
    enum class LoadResult { Loaded, Missing, Damaged };

    explicit QueueFile(std::string path) : path(std::move(path)) {}
    // "tk.queue" in the directory of the options file `settingsPath`.
    static std::string BesideSettings(const std::string& settingsPath);

    // Appends the file's entries after those listed, skipping any whose whole address is listed
    // already. Finished, failed and cancelled entries come back as they were; all others come
    // back Starting, to resume their part. A damaged or foreign file adds nothing.
    LoadResult Load(DownloadTable& table) const;
    // Moves the file aside as PATH.damaged; returns that path.
    std::string SetAside() const;
    // Writes the table now. False when it could not be written.
    bool Save(const DownloadTable& table);
    // Writes the table when what is stored of it changed, at most once a second.
    void SaveChanged(const DownloadTable& table, Clock::time_point now);

    // The file's text for `table`: a header line, then one line of tab-separated fields per
    // modern entry (the rows the file holds are modern ones). Progress is kept only for ended
    // entries, so a running download changes nothing.
    static std::string Text(const DownloadTable& table);
    const std::string& Path() const { return path; }

private:
    bool Write(const std::string& text);

    std::string path;
    std::string saved; // the text last written
    Clock::time_point checkedAt{};
};
