#pragma once
// The local file a download writes: names are checked so that nothing lands outside the save
// directory, the file is opened without following symbolic links, never executable, and written
// piece by piece as the body arrives.

#include <cstddef>
#include <cstdint>
#include <string>

class LocalFile {
public:
    // Which file an open file is, whatever its names.
    struct FileId {
        uint64_t device = 0;
        uint64_t inode = 0;
        bool operator==(const FileId&) const = default;
    };

    LocalFile() = default;
    ~LocalFile();
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    // A name that may stand for a file or a directory inside the save directory: not empty,
    // not beginning with '.', without '/' and without control bytes.
    static bool SafeName(const std::string& name);
    // saveDirectory + ["/" + subdirectory] + "/" + name, without doubling a trailing '/'.
    static std::string JoinPath(const std::string& saveDirectory, const std::string& subdirectory,
                                const std::string& name);
    // The directory a file goes into, opened: the save directory (which may be a symbolic link)
    // and the subdirectory inside it ("a/b": each level, none a link). -1 when it cannot be
    // opened.
    static int OpenFileDirectory(const std::string& saveDirectory, const std::string& subdirectory);
    // The directory part of `path`, with its trailing '/'; empty for a bare name.
    static std::string DirectoryOf(const std::string& path);
    // Makes `path` and its parents; false, with the reason, when it is not a directory after.
    static bool MakeDirectories(const std::string& path, std::string& reason);
    // Creates the directory levels of `name` ("a" or "a/b") inside the save directory, never
    // through a link; an existing directory is fine and a failure shows later, when the file
    // cannot be opened. Returns how many folders it made (the deepest ones).
    static int MakeSubdirectory(const std::string& saveDirectory, const std::string& name);
    // Removes the deepest `count` folders of `subdirectory` while they are empty.
    static void RemoveEmptyFolders(const std::string& saveDirectory, std::string subdirectory,
                                   int count);

    // Creates or empties the file (mode 0644 less the umask). The save directory may be a
    // symbolic link; the subdirectory and the file may not. False when it cannot be opened.
    bool Open(const std::string& saveDirectory, const std::string& subdirectory,
              const std::string& name);
    // The same, but keeps the first `keep` bytes of an existing file (cutting what follows) and
    // writes on after them; with `createNew` the file must not exist yet. With `expected`, an
    // existing file is kept only when it is that very file and has no other name.
    bool OpenKeeping(const std::string& saveDirectory, const std::string& subdirectory,
                     const std::string& name, uint64_t keep, bool createNew = false,
                     const FileId* expected = nullptr);
    // The open file's device and inode.
    FileId Id() const;

    // True when something other than a regular file (a directory, a link, a FIFO) has that name.
    static bool Occupied(const std::string& saveDirectory, const std::string& subdirectory,
                         const std::string& name);
    // The size of a regular file, 0 when there is none (or it is a link or no regular file).
    static uint64_t Size(const std::string& saveDirectory, const std::string& subdirectory,
                         const std::string& name);
    // Gives the very file `written`, found under `from`, the name `name`, or when that is taken
    // "STEM (2).EXT", "(3)"..., never replacing a file, and removes the name `from`. Returns
    // the name it got; empty with `why` when it could not ("the part was replaced" when `from`
    // no longer is that file: then nothing is published and nothing removed).
    static std::string Publish(const std::string& saveDirectory, const std::string& subdirectory,
                               const std::string& from, const std::string& name,
                               const FileId& written, std::string& why);
    // `name` for number 1, "STEM (N).EXT" for a higher number.
    static std::string FreeName(const std::string& name, int number);
    static void Remove(const std::string& saveDirectory, const std::string& subdirectory,
                       const std::string& name);
    static constexpr int maxVariants = 999;
    // Writes `data`; returns how many bytes were written, less than `size` only on a failure
    // (a full disk, say).
    std::size_t Write(const char* data, std::size_t size);
    // False when the last writes could not be flushed.
    bool Close();
    bool IsOpen() const { return fd >= 0; }
    int Descriptor() const { return fd; }

private:
    int fd = -1;
};
