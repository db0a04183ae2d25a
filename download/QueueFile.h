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

    // A field or a line longer than this, or a row past the 10,000 kept, is set aside.
    static constexpr std::size_t maxField = 8 * 1024;
    static constexpr std::size_t maxLine = 64 * 1024;

    explicit QueueFile(std::string path) : path(std::move(path)) {}
    ~QueueFile();
    QueueFile(const QueueFile&) = delete;
    QueueFile& operator=(const QueueFile&) = delete;
    // "tk.queue" in the directory of the options file `settingsPath`.
    static std::string BesideSettings(const std::string& settingsPath);

    // Takes the lock that says this run keeps the file: false while another run holds it.
    bool Lock();
    // Appends the file's entries after those listed, skipping any whose whole address is listed
    // already. Finished, failed and cancelled entries come back as they were; all others come
    // back Starting, to resume their part. A damaged or foreign file adds nothing. Rows too
    // long, or past 10,000, are written whole to a file beside it (SetAsideRows).
    LoadResult Load(DownloadTable& table);
    // How many rows the last Load set aside, and where.
    std::size_t SetAsideRows() const { return setAside; }
    const std::string& SetAsidePath() const { return setAsidePath; }
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
    int lockFd = -1;
    std::size_t setAside = 0;
    std::string setAsidePath;
    Clock::time_point checkedAt{};
};
