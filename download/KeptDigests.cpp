#include "download/KeptDigests.h"

#include "download/FileOrigin.h"
#include "download/LocalFile.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr std::size_t digestLength = 64;

// The folder and the name of a path under the save folder.
std::pair<std::string, std::string> Split(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {"", path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

} // namespace

void KeptDigests::Load(const std::string& folder, const std::atomic<bool>* stop) {
    if (loaded && folder == saveDirectory)
        return;
    saveDirectory = folder;
    loaded = true;
    byDigest.clear();
    // The index holds the files of a file system that refuses attributes; the attributes
    // hold the others.
    FileOrigin::ReadIndex(folder, [&](const std::string& path, const FileOrigin& origin) {
        if (origin.sha256.size() == digestLength)
            Add(origin.sha256, path);
    });
    const int top = LocalFile::OpenFileDirectory(folder, "");
    if (top >= 0)
        Walk(top, "", 0, stop); // and closes it
    if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
        loaded = false; // a part of the folder is no answer
        byDigest.clear();
    }
}

void KeptDigests::Walk(int folder, const std::string& under, int depth,
                       const std::atomic<bool>* stop) {
    DIR* dir = ::fdopendir(folder);
    if (dir == nullptr) {
        ::close(folder);
        return;
    }
    while (const dirent* entry = stop == nullptr || !stop->load(std::memory_order_relaxed)
                                     ? ::readdir(dir)
                                     : nullptr) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = under.empty() ? name : under + "/" + name;
        // A link is never followed, and only a regular file or a folder is looked at.
        if (entry->d_type == DT_DIR || entry->d_type == DT_UNKNOWN) {
            const int inner = depth < maxDepth
                                  ? ::openat(::dirfd(dir), name.c_str(),
                                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                                  : -1;
            if (inner >= 0) {
                Walk(inner, path, depth + 1, stop);
                continue;
            }
        }
        if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN)
            continue;
        char value[digestLength + 1];
        const int fd =
            ::openat(::dirfd(dir), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        const ssize_t n = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)
                              ? ::fgetxattr(fd, "user.tarvik.sha256", value, sizeof value)
                              : -1;
        ::close(fd);
        if (n == static_cast<ssize_t>(digestLength))
            Add(std::string(value, digestLength), path);
    }
    ::closedir(dir);
}

void KeptDigests::Add(const std::string& sha256, const std::string& path) {
    std::vector<std::string>& paths = byDigest[sha256];
    if (std::find(paths.begin(), paths.end(), path) == paths.end())
        paths.push_back(path);
}

std::string KeptDigests::Find(const std::string& sha256, uint64_t size,
                              const std::string& path) const {
    const auto found = byDigest.find(sha256);
    if (found == byDigest.end())
        return {};
    for (const std::string& candidate : found->second) {
        const auto [folder, name] = Split(candidate);
        const std::optional<FileOrigin> origin =
            candidate == path ? std::nullopt : FileOrigin::Read(saveDirectory, folder, name);
        if (origin && origin->sha256 == sha256 &&
            LocalFile::Size(saveDirectory, folder, name) == size)
            return candidate;
    }
    return {};
}
