#include "net/PrivateCopy.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Copies the file `from` to a new file `to`; errno tells why it could not.
bool CopyFile(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int saved = errno != 0 ? errno : EINVAL;
        ::close(in);
        errno = S_ISREG(st.st_mode) ? saved : EISDIR;
        return false;
    }
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool copied = out >= 0;
    char buffer[65536];
    while (copied) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            copied = errno == EINTR;
            continue;
        }
        for (ssize_t done = 0; copied && done < n;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
            copied = w > 0;
            done += w > 0 ? w : 0;
        }
    }
    const int saved = errno;
    ::close(in);
    if (out >= 0)
        copied = ::close(out) == 0 && copied;
    errno = saved;
    return copied;
}

} // namespace

PrivateCopy::~PrivateCopy() {
    for (const std::string& file : made)
        ::unlink(file.c_str());
    // What SQLite made beside the copy while it read it goes too.
    if (!copy.empty())
        for (const char* suffix : {"-wal", "-shm", "-journal"})
            ::unlink((copy + suffix).c_str());
    if (!folder.empty())
        ::rmdir(folder.c_str());
}

bool PrivateCopy::Make(const std::string& source, const std::vector<std::string>& companions,
                       std::string& why) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* temporary = std::getenv("TMPDIR");
    std::string base = runtime != nullptr && runtime[0] == '/'       ? runtime
                       : temporary != nullptr && temporary[0] == '/' ? temporary
                                                                     : "/tmp";
    std::string pattern = base + "/tarvik-cookies-XXXXXX"; // mkdtemp makes it 0700
    if (::mkdtemp(pattern.data()) == nullptr) {
        why = "no private folder for its copy: " + std::string(std::strerror(errno));
        return false;
    }
    folder = pattern;
    const std::string name = source.substr(source.rfind('/') + 1);
    copy = folder + "/" + name;
    if (!CopyFile(source, copy)) {
        why = errno == ENOENT   ? std::string("no such file")
              : errno == EISDIR ? std::string("could not be read: not a regular file")
                                : "could not be read: " + std::string(std::strerror(errno));
        made.push_back(copy);
        return false;
    }
    made.push_back(copy);
    for (const std::string& suffix : companions) {
        const std::string beside = source + suffix;
        if (::access(beside.c_str(), F_OK) != 0)
            continue;
        made.push_back(copy + suffix);
        if (!CopyFile(beside, copy + suffix)) {
            why = "could not be read: " + std::string(std::strerror(errno));
            return false;
        }
    }
    return true;
}
