#pragma once
// A file of the user's that a store is read from (a cookies.txt, a browser's database and its
// journal, a session store): opened without blocking, so a FIFO or a device in its place never
// holds the reader, and taken only when it is a regular file of a sane size. A symbolic link is
// followed to its file, as the user may keep one.

#include <cstdint>
#include <string>

class StoreFile {
public:
    static constexpr uint64_t maxBytes = 512ull << 20;

    StoreFile() = default;
    ~StoreFile();
    StoreFile(const StoreFile&) = delete;
    StoreFile& operator=(const StoreFile&) = delete;

    // Opens `path` for reading; false with `why` ("no such file", "not a regular file", "too
    // large", "could not be read: ...").
    bool Open(const std::string& path, std::string& why);
    // The whole file (at most `limit` bytes); false with `why` when it cannot be read.
    bool ReadAll(std::string& text, std::string& why, uint64_t limit = maxBytes);
    int Fd() const { return fd; }

private:
    int fd = -1;
};
