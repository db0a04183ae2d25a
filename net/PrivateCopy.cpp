#include "net/PrivateCopy.h"

#include "net/StoreFile.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* prefix = "tarvik-cookies-";
constexpr const char* suffixes[] = {"", "-wal", "-shm", "-journal"};

// The copies alive now, as plain bytes a signal handler may read: a slot is claimed with an
// exchange, its paths written, then published by a release store of `ready`.
struct Live {
    std::atomic<bool> taken{false};
    std::atomic<bool> ready{false};
    char folder[512];
    char copy[640];
};
Live live[8];

void RemoveLive(const Live& l) {
    char path[700];
    for (const char* suffix : suffixes) {
        const std::size_t length = std::strlen(l.copy);
        std::memcpy(path, l.copy, length);
        std::memcpy(path + length, suffix, std::strlen(suffix) + 1);
        ::unlink(path);
    }
    ::rmdir(l.folder);
}

void OnSignal(int signal) {
    for (const Live& l : live)
        if (l.ready.load(std::memory_order_acquire))
            RemoveLive(l);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Copies the file `from` to a new file `to`; false with `why` when it could not.
bool CopyFile(const std::string& from, const std::string& to, std::string& why) {
    StoreFile in;
    if (!in.Open(from, why))
        return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        why = "could not be copied: " + std::string(std::strerror(errno));
        return false;
    }
    bool copied = true;
    char buffer[65536];
    while (copied) {
        const ssize_t n = ::read(in.Fd(), buffer, sizeof buffer);
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
    if (!copied)
        why = "could not be read: " + std::string(std::strerror(errno));
    copied = ::close(out) == 0 && copied;
    return copied;
}

// The process `pid` is running and is a Tarvik.
bool TarvikRuns(long pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    return std::getline(comm, name) && name.rfind("tarvik", 0) == 0;
}

void RemoveFolder(int parent, const char* name) {
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    if (DIR* dir = ::fdopendir(fd)) {
        while (const dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                ::unlinkat(fd, entry->d_name, 0);
        ::closedir(dir);
    } else {
        ::close(fd);
    }
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

} // namespace

std::string PrivateCopy::Base() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime != nullptr && runtime[0] == '/' && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
        return runtime;
    if (::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return "/tmp";
}

void PrivateCopy::CleanUp() {
    for (const std::string& base : {Base(), std::string("/dev/shm"), std::string("/tmp")})
        RemoveStale(base);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        // A signal the caller chose to ignore stays ignored.
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

int PrivateCopy::RemoveStale(const std::string& base) {
    const int parent = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0)
        return 0;
    int removed = 0;
    DIR* dir = ::fdopendir(parent);
    if (dir == nullptr) {
        ::close(parent);
        return 0;
    }
    const std::size_t length = std::strlen(prefix);
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strncmp(name, prefix, length) != 0)
            continue;
        char* end = nullptr;
        const long pid = std::strtol(name + length, &end, 10);
        struct stat st {};
        if (end == name + length || *end != '-' ||
            ::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::getuid() || pid == ::getpid() || TarvikRuns(pid))
            continue;
        RemoveFolder(parent, name);
        ++removed;
    }
    ::closedir(dir);
    return removed;
}

PrivateCopy::~PrivateCopy() {
    Remove();
}

void PrivateCopy::Remove() {
    if (slot >= 0) {
        live[slot].ready.store(false, std::memory_order_release);
        live[slot].taken.store(false, std::memory_order_release);
        slot = -1;
    }
    // What SQLite made beside the copy while it read it goes too.
    if (!copy.empty())
        for (const char* suffix : suffixes)
            ::unlink((copy + suffix).c_str());
    if (!folder.empty())
        ::rmdir(folder.c_str());
}

bool PrivateCopy::Make(const std::string& source, const std::vector<std::string>& companions,
                       std::string& why) {
    std::string pattern = Base() + "/" + prefix + std::to_string(::getpid()) + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) { // mkdtemp makes it 0700
        why = "no private folder for its copy: " + std::string(std::strerror(errno));
        return false;
    }
    folder = pattern;
    const std::string name = source.substr(source.rfind('/') + 1);
    copy = folder + "/" + name;
    for (int i = 0; i < static_cast<int>(std::size(live)) && slot < 0; ++i)
        if (folder.size() < sizeof live[i].folder && copy.size() < sizeof live[i].copy &&
            !live[i].taken.exchange(true, std::memory_order_acq_rel)) {
            std::memcpy(live[i].folder, folder.c_str(), folder.size() + 1);
            std::memcpy(live[i].copy, copy.c_str(), copy.size() + 1);
            live[i].ready.store(true, std::memory_order_release);
            slot = i;
        }
    if (!CopyFile(source, copy, why))
        return false;
    for (const std::string& suffix : companions) {
        std::string failed;
        if (!CopyFile(source + suffix, copy + suffix, failed) && failed != "no such file") {
            why = name + suffix + " beside it: " + failed;
            return false;
        }
    }
    return true;
}
