#include "download/LocalFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int OpenDirectory(const std::string& path) {
    return ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// What is there under `name`, a link itself rather than what it points to; nothing when nothing
// is.
std::optional<struct stat> StatOf(const std::string& saveDirectory, const std::string& subdirectory,
                                  const std::string& name) {
    const int dir = LocalFile::OpenFileDirectory(saveDirectory, subdirectory);
    if (dir < 0)
        return std::nullopt;
    struct stat st {};
    const bool found = ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    ::close(dir);
    return found ? std::optional<struct stat>(st) : std::nullopt;
}

// Opens the folder `subdirectory` below the save directory, each folder relative to the one
// above it and never through a symbolic link, so a link planted inside never leads out; with
// `made`, a missing folder is made first, and counted there.
int Walk(const std::string& saveDirectory, const std::string& subdirectory, int* made) {
    int dir = OpenDirectory(saveDirectory);
    for (std::size_t at = 0; dir >= 0 && at < subdirectory.size();) {
        const std::size_t end = std::min(subdirectory.find('/', at), subdirectory.size());
        const std::string level = subdirectory.substr(at, end - at);
        if (made != nullptr && ::mkdirat(dir, level.c_str(), 0755) == 0)
            ++*made;
        const int sub =
            ::openat(dir, level.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(dir);
        dir = sub;
        at = end + 1;
    }
    return dir;
}

} // namespace

int LocalFile::OpenFileDirectory(const std::string& saveDirectory,
                                 const std::string& subdirectory) {
    return Walk(saveDirectory, subdirectory, nullptr);
}

std::string LocalFile::DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool LocalFile::MakeDirectories(const std::string& path, std::string& reason) {
    if (path.empty())
        return true; // the current directory
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!error && std::filesystem::is_directory(path, error))
        return true;
    reason = error ? error.message() : "a file of that name is in the way";
    return false;
}

LocalFile::~LocalFile() {
    Close();
}

bool LocalFile::SafeName(const std::string& name) {
    if (name.empty() || name.front() == '.')
        return false;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7f || c == '/')
            return false;
    }
    return true;
}

std::string LocalFile::JoinPath(const std::string& saveDirectory, const std::string& subdirectory,
                                const std::string& name) {
    std::string path = saveDirectory;
    if (!path.empty() && path.back() != '/')
        path += '/';
    if (!subdirectory.empty())
        path += subdirectory + '/';
    return path + name;
}

int LocalFile::MakeSubdirectory(const std::string& saveDirectory, const std::string& name) {
    int made = 0;
    if (const int dir = Walk(saveDirectory, name, &made); dir >= 0)
        ::close(dir);
    return made;
}

void LocalFile::RemoveEmptyFolders(const std::string& saveDirectory, std::string subdirectory,
                                   int count) {
    // Deepest first; a folder that holds anything stops it.
    for (; count > 0 && !subdirectory.empty(); --count) {
        const std::size_t slash = subdirectory.rfind('/');
        const std::string parent =
            slash == std::string::npos ? std::string() : subdirectory.substr(0, slash);
        const int dir = OpenFileDirectory(saveDirectory, parent);
        const bool removed =
            dir >= 0 && ::unlinkat(dir, subdirectory.substr(slash + 1).c_str(), AT_REMOVEDIR) == 0;
        if (dir >= 0)
            ::close(dir);
        if (!removed)
            return;
        subdirectory = parent;
    }
}

bool LocalFile::Open(const std::string& saveDirectory, const std::string& subdirectory,
                     const std::string& name) {
    return OpenKeeping(saveDirectory, subdirectory, name, 0);
}

bool LocalFile::OpenKeeping(const std::string& saveDirectory, const std::string& subdirectory,
                            const std::string& name, uint64_t keep, bool createNew,
                            const FileId* expected) {
    Close();
    const int dir = OpenFileDirectory(saveDirectory, subdirectory);
    if (dir < 0)
        return false;
    // O_NONBLOCK keeps a FIFO of that name from holding the worker; only a regular file is
    // written. Read too: the bytes kept of an earlier run are read once, for the digest.
    fd = ::openat(dir, name.c_str(),
                  O_RDWR | O_CREAT | (createNew ? O_EXCL : 0) |
                      (keep == 0 && expected == nullptr ? O_TRUNC : 0) | O_NOFOLLOW | O_NONBLOCK |
                      O_CLOEXEC,
                  0644);
    ::close(dir);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)))
        Close();
    // A file with another name elsewhere (a hard link), or another file than the one expected,
    // is not touched: not cut, not written.
    if (fd >= 0 && expected != nullptr &&
        (st.st_nlink != 1 ||
         FileId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)} != *expected))
        Close();
    if (fd >= 0 && (keep > 0 || expected != nullptr) &&
        (::ftruncate(fd, static_cast<off_t>(keep)) != 0 ||
         ::lseek(fd, static_cast<off_t>(keep), SEEK_SET) < 0))
        Close();
    return fd >= 0;
}

LocalFile::FileId LocalFile::Id() const {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return {};
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool LocalFile::Occupied(const std::string& saveDirectory, const std::string& subdirectory,
                         const std::string& name) {
    const std::optional<struct stat> st = StatOf(saveDirectory, subdirectory, name);
    return st && !S_ISREG(st->st_mode);
}

uint64_t LocalFile::Size(const std::string& saveDirectory, const std::string& subdirectory,
                         const std::string& name) {
    const std::optional<struct stat> st = StatOf(saveDirectory, subdirectory, name);
    return st && S_ISREG(st->st_mode) ? static_cast<uint64_t>(st->st_size) : 0;
}

std::string LocalFile::FreeName(const std::string& name, int number) {
    if (number < 2)
        return name;
    const std::size_t dot = name.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string suffix = " (" + std::to_string(number) + ")";
    return hasExtension ? name.substr(0, dot) + suffix + name.substr(dot) : name + suffix;
}

std::string LocalFile::Publish(const std::string& saveDirectory, const std::string& subdirectory,
                               const std::string& from, const std::string& name,
                               const FileId& written, std::string& why) {
    const int dir = OpenFileDirectory(saveDirectory, subdirectory);
    if (dir < 0) {
        why = "cannot rename";
        return {};
    }
    // The file is taken by its descriptor, checked to be the one written; it is then linked
    // under its new name from that descriptor, so a file moved over the part's name meanwhile
    // is never the one published.
    const int fd = ::openat(dir, from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        FileId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)} != written) {
        if (fd >= 0)
            ::close(fd);
        ::close(dir);
        why = "the part was replaced";
        return {};
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    std::string published;
    for (int number = 1; number <= maxVariants && published.empty(); ++number) {
        const std::string candidate = FreeName(name, number);
        // Neither a link nor a rename ever replaces a file: each fails when the name is taken,
        // and the next variant is tried. Without /proc, or on a file system without links, the
        // checked name is renamed.
        int moved = ::linkat(AT_FDCWD, self.c_str(), dir, candidate.c_str(), AT_SYMLINK_FOLLOW);
        if (moved == 0) {
            struct stat now {};
            if (::fstatat(dir, from.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                now.st_dev == st.st_dev && now.st_ino == st.st_ino)
                ::unlinkat(dir, from.c_str(), 0);
        } else if (errno != EEXIST) {
            moved = ::renameat2(dir, from.c_str(), dir, candidate.c_str(), RENAME_NOREPLACE);
        }
        if (moved == 0)
            published = candidate;
        else if (errno != EEXIST)
            break;
    }
    ::close(fd);
    ::close(dir);
    if (published.empty())
        why = "cannot rename";
    return published;
}

void LocalFile::Remove(const std::string& saveDirectory, const std::string& subdirectory,
                       const std::string& name) {
    const int dir = OpenFileDirectory(saveDirectory, subdirectory);
    if (dir < 0)
        return;
    ::unlinkat(dir, name.c_str(), 0);
    ::close(dir);
}

std::size_t LocalFile::Write(const char* data, std::size_t size) {
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    return written;
}

bool LocalFile::Close() {
    if (fd < 0)
        return true;
    const bool closed = ::close(fd) == 0;
    fd = -1;
    return closed;
}
