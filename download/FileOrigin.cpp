#include "download/FileOrigin.h"

#include "download/FieldText.h"
#include "download/FolderNames.h"
#include "download/LocalFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<bool> refused{false};

const char* const attributes[] = {"user.xdg.origin.url", "user.xdg.referrer.url",
                                  "user.tarvik.version", "user.tarvik.sha256"};
constexpr std::size_t attributeCount = std::size(attributes);

// The file system has no user attributes (or they are refused to us).
bool Unsupported(int error) {
    return error == ENOTSUP || error == EPERM || error == EACCES;
}

int OpenFile(const std::string& saveDirectory, const std::string& subdirectory,
             const std::string& name) {
    const int dir = LocalFile::OpenFileDirectory(saveDirectory, subdirectory);
    if (dir < 0)
        return -1;
    const int fd = ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    ::close(dir);
    return fd;
}

int OpenIndex(const std::string& saveDirectory, int flags) {
    const int dir = LocalFile::OpenFileDirectory(saveDirectory, "");
    if (dir < 0)
        return -1;
    const int fd = ::openat(dir, FileOrigin::indexName, flags | O_NOFOLLOW | O_CLOEXEC, 0644);
    ::close(dir);
    return fd;
}

// A file's name in the index: its path under the save directory.
std::string Key(const std::string& subdirectory, const std::string& name) {
    return subdirectory.empty() ? name : subdirectory + "/" + name;
}

// The index: one line a file, NAME, ADDRESS, REFERRER, VERSION and SHA256 escaped and
// tab-separated (a line of an older build has no SHA256); the last line of a name holds.
std::string IndexLine(const std::string& name, const FileOrigin& o) {
    return FieldText::Escape(name) + "\t" + FieldText::Escape(o.address) + "\t" +
           FieldText::Escape(o.referrer) + "\t" + FieldText::Escape(o.version) + "\t" +
           FieldText::Escape(o.sha256) + "\n";
}

} // namespace

void FileOrigin::RefuseAttributes(bool refuse) {
    refused.store(refuse, std::memory_order_relaxed);
}

std::string FileOrigin::WithoutCredentials(const std::string& address) {
    const std::size_t scheme = address.find("://");
    const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    const std::size_t end = std::min(address.find('/', start), address.size());
    const std::size_t at = address.rfind('@', end);
    if (at == std::string::npos || at < start)
        return address;
    return address.substr(0, start) + address.substr(at + 1);
}

FileOrigin::Kept FileOrigin::WriteAttributes(int fd) const {
    if (refused.load(std::memory_order_relaxed))
        return Kept::Unsupported;
    const std::string values[] = {WithoutCredentials(address), WithoutCredentials(referrer),
                                  version, sha256};
    for (std::size_t i = 0; i < attributeCount; ++i) {
        if (values[i].empty()) {
            ::fremovexattr(fd, attributes[i]); // an older version's is no longer true
            continue;
        }
        if (::fsetxattr(fd, attributes[i], values[i].data(), values[i].size(), 0) != 0)
            return Unsupported(errno) ? Kept::Unsupported : Kept::Failed;
    }
    return Kept::Written;
}

bool FileOrigin::Write(const std::string& saveDirectory, const std::string& subdirectory,
                       const std::string& name) const {
    const int fd = OpenFile(saveDirectory, subdirectory, name);
    if (fd < 0)
        return false;
    const Kept kept = WriteAttributes(fd);
    ::close(fd);
    if (kept != Kept::Unsupported)
        return kept == Kept::Written;
    const std::string values[] = {WithoutCredentials(address), WithoutCredentials(referrer),
                                  version, sha256};
    // The one index file of the save directory, appended to under its lock.
    const int index = OpenIndex(saveDirectory, O_WRONLY | O_CREAT | O_APPEND);
    if (index < 0)
        return false;
    const std::string line =
        IndexLine(Key(subdirectory, name), {values[0], values[1], values[2], values[3]});
    const bool done = ::flock(index, LOCK_EX) == 0 &&
                      ::write(index, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(index); // and with it the lock
    return done;
}

std::optional<FileOrigin> FileOrigin::Read(const std::string& saveDirectory,
                                           const std::string& subdirectory,
                                           const std::string& name) {
    const int fd = OpenFile(saveDirectory, subdirectory, name);
    if (fd < 0)
        return std::nullopt;
    FileOrigin origin;
    std::string* fields[] = {&origin.address, &origin.referrer, &origin.version, &origin.sha256};
    bool unsupported = refused.load(std::memory_order_relaxed);
    bool found = false;
    for (std::size_t i = 0; i < attributeCount && !unsupported; ++i) {
        char value[8192];
        const ssize_t n = ::fgetxattr(fd, attributes[i], value, sizeof value);
        if (n >= 0) {
            fields[i]->assign(value, static_cast<std::size_t>(n));
            found = found || i == 0;
        } else {
            unsupported = Unsupported(errno);
        }
    }
    ::close(fd);
    if (!unsupported)
        return found ? std::optional(origin) : std::nullopt;
    const std::string key = Key(subdirectory, name);
    std::optional<FileOrigin> last;
    ReadIndex(saveDirectory, [&](const std::string& file, FileOrigin origin) {
        if (file == key)
            last = std::move(origin);
    });
    return last;
}

void FileOrigin::ReadIndex(const std::string& saveDirectory,
                           const std::function<void(const std::string&, FileOrigin)>& each) {
    const int index = OpenIndex(saveDirectory, O_RDONLY);
    if (index < 0)
        return;
    std::string text;
    char buffer[65536];
    for (ssize_t n; ::flock(index, LOCK_SH) == 0 && (n = ::read(index, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(index);
    std::vector<std::string> f;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        f.clear();
        for (std::size_t s = at; s <= end;) {
            const std::size_t tab = std::min(text.find('\t', s), end);
            f.emplace_back();
            if (!FieldText::Unescape(std::string_view(text).substr(s, tab - s), f.back()))
                f.clear();
            s = tab + 1;
            if (f.empty())
                break;
        }
        // Fields after the five known (a newer build's) are passed over.
        if (f.size() >= 4)
            each(f[0], FileOrigin{f[1], f[2], f[3], f.size() >= 5 ? f[4] : ""});
        at = end + 1;
    }
}

NamedFile FileOrigin::NameFor(const std::string& saveDirectory, const std::string& subdirectory,
                              const std::string& name, const std::string& address,
                              const std::function<bool(const std::string&)>& taken) {
    FolderNames names;
    names.Read(saveDirectory, subdirectory);
    return NameFor(names, saveDirectory, subdirectory, name, address, taken);
}

NamedFile FileOrigin::NameFor(const FolderNames& names, const std::string& saveDirectory,
                              const std::string& subdirectory, const std::string& name,
                              const std::string& address,
                              const std::function<bool(const std::string&)>& taken) {
    // One read of the folder finds every variant that stands there, however many are missing
    // between them.
    const std::map<int, bool>& present = names.VariantsOf(name);
    const std::string origin = WithoutCredentials(address);
    for (const auto& [number, regular] : present) {
        const std::string variant = LocalFile::FreeName(name, number);
        if (!regular || (taken && taken(variant)))
            continue;
        if (std::optional<FileOrigin> o = Read(saveDirectory, subdirectory, variant);
            o && o->address == origin)
            return {variant, std::move(o), LocalFile::Size(saveDirectory, subdirectory, variant)};
    }
    for (int number = 1; number <= LocalFile::maxVariants; ++number) {
        const std::string variant = LocalFile::FreeName(name, number);
        if (!present.count(number) && !(taken && taken(variant)))
            return {variant, std::nullopt, 0};
    }
    return {name, std::nullopt, 0};
}
