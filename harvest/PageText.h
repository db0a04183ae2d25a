#pragma once
// The text of one fetched page: its body with every carriage return, line feed and NUL byte
// removed, kept NUL-terminated in a fixed 1 MiB buffer that is allocated once.

#include <cstddef>
#include <cstdint>
#include <memory>

class PageText {
public:
    static constexpr std::size_t capacity = 1048576; // the terminating NUL included
    static constexpr std::size_t maxLength = capacity - 1;

    PageText();

    const char* Text() const { return buffer.get(); }
    int32_t Length() const { return length; }
    bool Full() const { return static_cast<std::size_t>(length) == maxLength; }

    void Clear();
    // Appends body bytes, dropping CR, LF and NUL; whatever does not fit is cut off.
    void Append(const char* data, std::size_t size);

private:
    std::unique_ptr<char[]> buffer;
    int32_t length = 0;
};
