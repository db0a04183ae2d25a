#include "download/PartFile.h"

#include "download/FieldText.h"
#include "download/FileOrigin.h"
#include "download/LocalFile.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const header = "tarvik part 2";
const char* const olderHeader = "tarvik part 1"; // without the part's device and inode

std::string AddressHash(const std::string& address) {
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (const char c : address) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string Text(const PartFile::Identity& id) {
    return std::string(header) + "\n" + FieldText::Escape(id.address) + "\n" +
           FieldText::Escape(id.validator) + "\n" + std::to_string(id.total) + "\n" +
           FieldText::Escape(id.finalName) + "\n" + std::to_string(id.device) + "\n" +
           std::to_string(id.inode) + "\n";
}

bool ReadNumber(std::string_view text, uint64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// A record's identity; false for anything Tarvik did not write.
bool Parse(const std::string& text, PartFile::Identity& id) {
    std::vector<std::string_view> lines;
    std::string_view rest(text);
    for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;) {
        lines.push_back(rest.substr(0, end));
        rest.remove_prefix(end + 1);
    }
    id.older = lines.size() == 5 && lines[0] == olderHeader;
    if (!rest.empty() || !((lines.size() == 7 && lines[0] == header) || id.older))
        return false;
    if (!id.older && !(ReadNumber(lines[5], id.device) && ReadNumber(lines[6], id.inode)))
        return false;
    return ReadNumber(lines[3], id.total) && FieldText::Unescape(lines[1], id.address) &&
           FieldText::Unescape(lines[2], id.validator) &&
           FieldText::Unescape(lines[4], id.finalName);
}

bool ReadAll(int fd, std::string& text) {
    text.clear();
    char buffer[4096];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || text.size() > 65536)
            return false;
        if (n == 0)
            return true;
        text.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
}

// What stands under `name` in `dir`, links not followed: 0 nothing, 1 a regular file, 2 other.
int Kind(int dir, const std::string& name) {
    struct stat st {};
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? 0 : 2;
    return S_ISREG(st.st_mode) ? 1 : 2;
}

} // namespace

PartFile::~PartFile() {
    Release();
}

std::string PartFile::PartName(const std::string& fileName, const std::string& address,
                               int variant) {
    return fileName + "." + AddressHash(address) +
           (variant > 1 ? "-" + std::to_string(variant) : std::string()) + ".part";
}

std::string PartFile::RecordName(const std::string& partName) {
    return "." + partName.substr(0, partName.size() - 5) + ".tk";
}

void PartFile::Release() {
    if (recordFd >= 0)
        ::close(recordFd); // and with it the lock
    recordFd = -1;
    ownsPart = false;
}

bool PartFile::Claim(const std::string& saveDir, const std::string& subdir,
                     const std::string& fileName, const std::string& address) {
    Release();
    saveDirectory = saveDir;
    subdirectory = subdir;
    const int dir = LocalFile::OpenFileDirectory(saveDirectory, subdirectory);
    if (dir < 0)
        return false;
    for (int variant = 1; variant <= maxVariants && recordFd < 0; ++variant) {
        partName = PartName(fileName, address, variant);
        const std::string record = RecordName(partName);
        const int part = Kind(dir, partName);
        int fd = ::openat(dir, record.c_str(),
                          O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
        const bool created = fd >= 0;
        if (!created && errno == EEXIST)
            fd = ::openat(dir, record.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
            ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (fd >= 0)
                ::close(fd);
            continue; // not a file of Tarvik's, or another run is writing it
        }
        Identity found;
        found.address = address;
        std::string text;
        // A part that no record of Tarvik's vouches for is somebody else's.
        // An older record names no file: its part is never continued.
        // The record is written once the answer says what the part holds: an empty one is a
        // claim whose download never began, and it vouches for no part.
        const bool ours =
            created
                ? part == 0
                : ReadAll(fd, text) &&
                      (text.empty() ? part == 0
                                    : Parse(text, found) && found.address == address && part != 2 &&
                                          !(found.older && part == 1 && found.finalName.empty()));
        recordFd = fd;
        if (!ours) {
            if (created)
                ::unlinkat(dir, record.c_str(), 0);
            Release();
            continue;
        }
        identity = found;
        ownsPart = part == 1;
    }
    ::close(dir);
    return recordFd >= 0;
}

uint64_t PartFile::Size() const {
    // Only the very file the record was written for, with no other name, is continued.
    if (!ownsPart || identity.inode == 0)
        return 0;
    const int dir = LocalFile::OpenFileDirectory(saveDirectory, subdirectory);
    if (dir < 0)
        return 0;
    struct stat st {};
    const bool same = ::fstatat(dir, partName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISREG(st.st_mode) && st.st_nlink == 1 &&
                      static_cast<uint64_t>(st.st_dev) == identity.device &&
                      static_cast<uint64_t>(st.st_ino) == identity.inode;
    ::close(dir);
    return same ? static_cast<uint64_t>(st.st_size) : 0;
}

bool PartFile::Record(const Identity& what) {
    if (recordFd < 0)
        return false;
    const std::string text = Text(what);
    if (::ftruncate(recordFd, 0) != 0 ||
        ::pwrite(recordFd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
        return false;
    identity = what;
    return true;
}

bool PartFile::Open(LocalFile& file, uint64_t keep, const Identity* fresh) {
    if (recordFd < 0 || (keep > 0 && (!ownsPart || identity.inode == 0)))
        return false;
    const LocalFile::FileId expected{identity.device, identity.inode};
    if (keep == 0 && ownsPart) {
        LocalFile::Remove(saveDirectory, subdirectory, partName);
        ownsPart = false;
    }
    if (!file.OpenKeeping(saveDirectory, subdirectory, partName, keep, keep == 0,
                          keep > 0 ? &expected : nullptr))
        return false;
    ownsPart = true;
    Identity made = fresh != nullptr ? *fresh : identity;
    const LocalFile::FileId id = file.Id();
    made.device = id.device;
    made.inode = id.inode;
    const bool same = made.device == identity.device && made.inode == identity.inode;
    return same && fresh == nullptr ? true : Record(made);
}

bool PartFile::Describe(const LocalFile& file, const std::string& referrer,
                        const std::string& sha256) const {
    return file.IsOpen() &&
           FileOrigin{identity.address, referrer, identity.validator, sha256}.WriteAttributes(
               file.Descriptor()) == FileOrigin::Kept::Written;
}

std::string PartFile::Publish(const std::string& fileName, const std::string& referrer,
                              const std::string& sha256, std::string& why, bool described) {
    if (recordFd < 0 || !ownsPart) {
        why = "cannot rename";
        return {};
    }
    const std::string published = LocalFile::Publish(
        saveDirectory, subdirectory, partName, fileName, {identity.device, identity.inode}, why);
    if (why == "the part was replaced") {
        ownsPart = false; // what stands under its name now is not Tarvik's
        Discard();
    }
    if (published.empty())
        return {};
    ownsPart = false;
    if (!described)
        FileOrigin{identity.address, referrer, identity.validator, sha256}.Write(
            saveDirectory, subdirectory, published);
    Discard(); // the record: the file keeps its origin itself
    return published;
}

void PartFile::DiscardUnlessResumable() {
    if (recordFd >= 0 && !(identity.validator.size() > 0 && Size() > 0))
        Discard();
}

void PartFile::Discard() {
    if (recordFd < 0)
        return;
    if (ownsPart)
        LocalFile::Remove(saveDirectory, subdirectory, partName);
    LocalFile::Remove(saveDirectory, subdirectory, RecordName(partName));
    Release();
}

void PartFile::Discard(const std::string& saveDir, const std::string& subdir,
                       const std::string& name) {
    PartFile part;
    // Only a record that is free, Tarvik's, and still names a part is removed with it.
    const int dir = LocalFile::OpenFileDirectory(saveDir, subdir);
    if (dir < 0)
        return;
    const int fd = ::openat(dir, RecordName(name).c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    ::close(dir);
    std::string text;
    Identity id;
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ReadAll(fd, text) &&
        (text.empty() || (Parse(text, id) && id.finalName.empty()))) {
        part.saveDirectory = saveDir;
        part.subdirectory = subdir;
        part.partName = name;
        part.recordFd = fd;
        part.ownsPart = true;
        part.Discard();
        return;
    }
    ::close(fd);
}
