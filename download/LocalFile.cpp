#include "download/LocalFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int OpenDirectory(const std::string& path) {
    return ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

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

void LocalFile::MakeSubdirectory(const std::string& saveDirectory, const std::string& name) {
    const int dir = OpenDirectory(saveDirectory);
    if (dir < 0)
        return;
    ::mkdirat(dir, name.c_str(), 0755);
    ::close(dir);
}

bool LocalFile::Open(const std::string& saveDirectory, const std::string& subdirectory,
                     const std::string& name) {
    Close();
    int dir = OpenDirectory(saveDirectory);
    if (dir >= 0 && !subdirectory.empty()) {
        const int sub =
            ::openat(dir, subdirectory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(dir);
        dir = sub;
    }
    if (dir < 0)
        return false;
    // O_NONBLOCK keeps a FIFO of that name from holding the worker; only a regular file is
    // written.
    fd = ::openat(dir, name.c_str(),
                  O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    ::close(dir);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)))
        Close();
    return fd >= 0;
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
