#include "download/QueueFile.h"

#include "download/FieldText.h"
#include "download/LocalFile.h"
#include "settings/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const header = "tarvik download list 1";
// The part's name came as a 13th field, a name mask's folders as a 14th, the page's referrer
// policy as a 15th; files of 12 fields on are read, and fields after those known (a newer
// build's) are passed over.
constexpr std::size_t fieldCount = 15;
constexpr std::size_t oldFieldCount = 12;

template <typename T> bool ParseNumber(const std::string& text, T& value, T low, T high) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= low &&
           value <= high;
}

// One entry from its fields; false when any field is out of range.
bool ReadEntry(const std::vector<std::string>& f, DownloadEntry& e) {
    int32_t status = 0, category = 0, service = 0;
    if (!ParseNumber(f[0], status, 0, 8) || !ParseNumber(f[1], category, 0, 10) ||
        category == static_cast<int32_t>(FileCategory::Excluded) ||
        !ParseNumber(f[2], service, 0, 2) ||
        !ParseNumber(f[7], e.totalBytes, uint64_t{0}, UINT64_MAX) ||
        !ParseNumber(f[8], e.receivedBytes, uint64_t{0}, UINT64_MAX))
        return false;
    e.modern = true;
    e.status = static_cast<DownloadStatus>(status);
    if (!IsFinal(e.status))
        e.status = DownloadStatus::Starting;
    e.category = static_cast<FileCategory>(category);
    e.service = service;
    e.server = f[3];
    e.path = f[4];
    e.name = f[5];
    e.localPath = f[6];
    e.validator = f[9];
    e.referer = f[10];
    e.cause = f[11];
    if (f.size() > oldFieldCount)
        e.partName = f[12];
    // A masked row's folders end in '/' ("/" for none); an unmasked row's field is empty.
    if (f.size() > oldFieldCount + 1 && !f[13].empty()) {
        e.masked = true;
        e.folder = f[13].substr(0, f[13].size() - 1);
    }
    if (f.size() > oldFieldCount + 2)
        e.policy = ReferrerPolicy::Parse(f[14]).value_or(e.policy);
    return true;
}

// True when a row of the same whole address is listed already.
bool Listed(const DownloadTable& table, const DownloadEntry& e) {
    for (int32_t i = 0; i < table.downloadCount; ++i) {
        const DownloadEntry& d = table.downloads[i];
        if (d.service == e.service && d.server == e.server && d.path == e.path)
            return true;
    }
    return false;
}

} // namespace

std::string QueueFile::BesideSettings(const std::string& settingsPath) {
    return std::filesystem::path(settingsPath).replace_filename("tk.queue").string();
}

std::string QueueFile::Text(const DownloadTable& table) {
    std::string text = std::string(header) + "\n";
    for (int32_t i = 0; i < table.downloadCount; ++i) {
        const DownloadEntry& e = table.downloads[i];
        if (!e.modern)
            continue; // a classic row lives as long as the run
        const bool ended = IsFinal(e.status);
        const std::string fields[fieldCount] = {std::to_string(static_cast<int32_t>(e.status)),
                                                std::to_string(static_cast<int32_t>(e.category)),
                                                std::to_string(e.service),
                                                e.server,
                                                e.path,
                                                e.name,
                                                e.localPath,
                                                std::to_string(e.totalBytes),
                                                std::to_string(ended ? e.receivedBytes : 0),
                                                e.validator,
                                                e.referer,
                                                e.cause,
                                                e.partName,
                                                e.masked ? e.folder + "/" : "",
                                                ReferrerPolicy::Word(e.policy)};
        for (std::size_t f = 0; f < fieldCount; ++f)
            text += (f == 0 ? "" : "\t") + FieldText::Escape(fields[f]);
        text += '\n';
    }
    return text;
}

QueueFile::~QueueFile() {
    if (lockFd >= 0)
        ::close(lockFd); // and with it the lock
}

bool QueueFile::Lock() {
    if (lockFd >= 0)
        return true;
    const std::string name = path + ".lock";
    lockFd = ::open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (lockFd >= 0 && ::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(lockFd);
        lockFd = -1;
    }
    return lockFd >= 0;
}

QueueFile::LoadResult QueueFile::Load(DownloadTable& table) {
    const int32_t listed = table.downloadCount;
    setAside = 0;
    setAsidePath.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return LoadResult::Missing;
    // Rows that cannot be kept go whole to the first free PATH.damaged(-N), made exclusively.
    std::ofstream aside;
    auto setRowAside = [&](const std::string& start) -> std::ofstream& {
        for (int n = 1; !aside.is_open() && n < 100; ++n) {
            const std::string name = path + ".damaged" + (n > 1 ? "-" + std::to_string(n) : "");
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
            if (fd < 0)
                continue;
            ::close(fd);
            aside.open(name, std::ios::binary);
            aside << header << '\n';
            setAsidePath = name;
        }
        ++setAside;
        aside << start;
        return aside;
    };
    std::string line;
    bool whole = std::getline(in, line) && line == header;
    while (whole && in.peek() != EOF) {
        // A line is read up to its limit; one longer goes on to the file beside, unread.
        line.clear();
        int c = 0;
        while ((c = in.get()) != EOF && c != '\n' && line.size() <= maxLine)
            line += static_cast<char>(c);
        if (c != EOF && c != '\n') {
            std::ofstream& out = setRowAside(line);
            out << static_cast<char>(c);
            while ((c = in.get()) != EOF && c != '\n')
                out << static_cast<char>(c);
            out << '\n';
            continue;
        }
        // Every row is written with its line break: a row without one was cut short.
        whole = c == '\n';
        std::vector<std::string> fields;
        bool longField = false;
        for (std::size_t start = 0; whole && start <= line.size();) {
            const std::size_t end = std::min(line.find('\t', start), line.size());
            fields.emplace_back();
            whole = FieldText::Unescape(std::string_view(line).substr(start, end - start),
                                        fields.back());
            longField = longField || fields.back().size() > maxField;
            start = end + 1;
        }
        DownloadEntry e;
        whole = whole && fields.size() >= oldFieldCount && ReadEntry(fields, e);
        if (!whole || Listed(table, e))
            continue;
        if (longField || table.downloadCount >= DownloadTable::modernCapacity) {
            setRowAside(line) << '\n';
            continue;
        }
        // Where a started row's file went, as the lists show it: under the save folder.
        if (const std::string under = LocalFile::JoinPath(table.saveDirectory, "", "");
            under.size() > 1 && e.localPath.size() > under.size() &&
            e.localPath.compare(0, under.size(), under) == 0)
            e.savedAs = e.localPath.substr(under.size());
        if (table.downloads.size() <= static_cast<std::size_t>(table.downloadCount))
            table.downloads.resize(static_cast<std::size_t>(table.downloadCount) + 1);
        table.downloads[table.downloadCount++] = std::move(e);
    }
    if (whole)
        return LoadResult::Loaded;
    table.downloadCount = listed; // a file read in part is no file
    return LoadResult::Damaged;
}

std::string QueueFile::SetAside() const {
    const std::string aside = path + ".damaged";
    std::rename(path.c_str(), aside.c_str());
    return aside;
}

bool QueueFile::Save(const DownloadTable& table) {
    return Write(Text(table));
}

bool QueueFile::Write(const std::string& text) {
    if (!AtomicFile::Replace(path, text))
        return false;
    saved = text;
    return true;
}

void QueueFile::SaveChanged(const DownloadTable& table, Clock::time_point now) {
    if (now - checkedAt < std::chrono::seconds(1))
        return;
    checkedAt = now;
    if (std::string text = Text(table); text != saved)
        Write(text);
}
