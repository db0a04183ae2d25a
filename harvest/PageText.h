#pragma once
// The text of one fetched page, kept NUL-terminated. Under the classic rules it is the body with
// every carriage return, line feed and NUL byte removed, in a fixed 1 MiB buffer allocated once;
// under the modern rules it is the body as sent, NUL bytes included (a UTF-16 page has
// them), up to 16 MiB, for a real
// HTML parser to read.

#include "net/PageSink.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class PageText : public PageSink {
public:
    static constexpr std::size_t capacity = 1048576; // the terminating NUL included
    static constexpr std::size_t maxLength = capacity - 1;
    static constexpr std::size_t modernMaxLength = (16u << 20) - 1;

    PageText();

    const char* Text() const { return buffer.data(); }
    int32_t Length() const { return length; }
    bool Full() const { return static_cast<std::size_t>(length) == Limit(); }

    // Which rules the next page is kept by; takes effect at the next Clear().
    void UseModernRules(bool modern) { modernRules = modern; }
    bool ModernRules() const { return modernRules; }

    void Clear() override;
    // Appends body bytes, dropping NUL (and, under the classic rules, CR and LF); whatever does
    // not fit is cut off. False once the text is full.
    bool Append(const char* data, std::size_t size) override;

private:
    std::size_t Limit() const { return modernRules ? modernMaxLength : maxLength; }

    std::vector<char> buffer;
    int32_t length = 0;
    bool modernRules = false;
};
