#include "download/FolderNames.h"

#include "download/LocalFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The name and number `entry` is a variant of: "STEM (N).EXT" of "STEM.EXT", "NAME (N)" of a
// name without an extension; itself and 1 otherwise.
std::pair<std::string, int> VariantOf(const std::string& entry) {
    const std::size_t dot = entry.rfind('.');
    const std::size_t close = dot != std::string::npos && dot > 0 ? dot - 1 : entry.size() - 1;
    const std::size_t open = entry.rfind(" (", close);
    if (entry.empty() || entry[close] != ')' || open == std::string::npos || open + 2 >= close)
        return {entry, 1};
    int number = 0;
    for (std::size_t i = open + 2; i < close && number >= 0; ++i)
        number = entry[i] >= '0' && entry[i] <= '9' && number < 100000
                     ? number * 10 + (entry[i] - '0')
                     : -1;
    const std::string base =
        entry.substr(0, open) + (close + 1 < entry.size() ? entry.substr(close + 1) : "");
    // Only what a variant's own name would be: no leading zero, no number out of range.
    if (number < 2 || number > LocalFile::maxVariants || LocalFile::FreeName(base, number) != entry)
        return {entry, 1};
    return {base, number};
}

} // namespace

void FolderNames::Read(const std::string& saveDirectory, const std::string& subdirectory) {
    variants.clear();
    const int fd = LocalFile::OpenFileDirectory(saveDirectory, subdirectory);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            regular = ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISREG(st.st_mode);
        }
        const auto [base, number] = VariantOf(name);
        variants[base][number] = regular;
        if (number > 1)
            variants[name][1] = regular; // a name of its own too
    }
    ::closedir(dir);
}

const std::map<int, bool>& FolderNames::VariantsOf(const std::string& name) const {
    static const std::map<int, bool> none;
    const auto found = variants.find(name);
    return found != variants.end() ? found->second : none;
}
