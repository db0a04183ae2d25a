#include "net/StoreFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

StoreFile::~StoreFile() {
    if (fd >= 0)
        ::close(fd);
}

bool StoreFile::Open(const std::string& path, std::string& why) {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = errno == ENOENT ? std::string("no such file")
                              : "could not be read: " + std::string(std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "not a regular file";
    } else if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        why = "too large (over 512 MiB)";
    } else {
        // Reads of a regular file never wait; the flag is dropped so none sees EAGAIN.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return true;
    }
    ::close(fd);
    fd = -1;
    return false;
}

bool StoreFile::ReadAll(std::string& text, std::string& why, uint64_t limit) {
    text.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            why = "could not be read: " + std::string(std::strerror(errno));
            return false;
        }
        if (text.size() + static_cast<uint64_t>(n) > limit) {
            why = "too large";
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
}
