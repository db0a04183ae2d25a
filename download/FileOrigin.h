#pragma once
// Where a finished file came from, kept with the file itself: its address and its page in the
// extended attributes browsers and download tools write (user.xdg.origin.url,
// user.xdg.referrer.url), its version in user.tarvik.version and its digest in
// user.tarvik.sha256. Where the file system refuses user
// attributes, one hidden index file in the save directory (.tarvik-origins, locked while
// written, each file named by its path under the save directory) holds the same. Nothing else
// stands beside a finished file.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct NamedFile;
class FolderNames;

class FileOrigin {
public:
    static constexpr const char* indexName = ".tarvik-origins";

    std::string address;  // the address asked for, without a user name or password
    std::string referrer; // the page it was found on; empty: none
    std::string version;  // the strong validator it was fetched at; empty: none
    std::string sha256;   // its bytes' SHA-256, 64 lower-case hex digits; empty: not known

    // Sets the attributes on the open file `fd`, which keeps them under any name it is given.
    enum class Kept { Written, Unsupported, Failed };
    Kept WriteAttributes(int fd) const;
    // Records this origin for the regular file `name` in the folder `subdirectory` ("" or
    // "a/b") of the save directory; the index, when needed, is the save directory's.
    bool Write(const std::string& saveDirectory, const std::string& subdirectory,
               const std::string& name) const;
    // The origin recorded for that file; nothing when none is.
    static std::optional<FileOrigin> Read(const std::string& saveDirectory,
                                          const std::string& subdirectory, const std::string& name);
    // Each line of the save directory's index, in order: the file's path under the save
    // directory and its origin (a later line of a path holds over an earlier one).
    static void ReadIndex(const std::string& saveDirectory,
                          const std::function<void(const std::string&, FileOrigin)>& each);
    // The name a file of `address` has or gets in the folder `subdirectory`: the numbered variant
    // of `name` ("NAME", "STEM (2).EXT", ...) an earlier run published for it, whatever
    // variants are missing between, with its origin; else the first variant that stands
    // nowhere on disk and is not `taken`.
    static NamedFile NameFor(const std::string& saveDirectory, const std::string& subdirectory,
                             const std::string& name, const std::string& address,
                             const std::function<bool(const std::string&)>& taken = {});
    // The same from the folder's names read before.
    static NamedFile NameFor(const FolderNames& names, const std::string& saveDirectory,
                             const std::string& subdirectory, const std::string& name,
                             const std::string& address,
                             const std::function<bool(const std::string&)>& taken = {});
    // `address` without the user name and password it may carry.
    static std::string WithoutCredentials(const std::string& address);
    // For tests: every file system refuses user attributes while this holds.
    static void RefuseAttributes(bool refuse);
};

struct NamedFile {
    std::string name;
    std::optional<FileOrigin> earlier; // its origin, when an earlier run published it
    uint64_t size = 0;                 // the earlier file's
};
