#include "harvest/PageText.h"

#include <algorithm>

PageText::PageText() : buffer(capacity) {
    buffer[0] = '\0';
}

void PageText::Clear() {
    length = 0;
    buffer[0] = '\0';
}

bool PageText::Append(const char* data, std::size_t size) {
    const std::size_t limit = Limit();
    // A modern page grows its buffer as it arrives; a classic one never leaves the first 1 MiB.
    if (modernRules && length + size + 1 > buffer.size())
        buffer.resize(std::min(std::max(buffer.size() * 2, length + size + 1), limit + 1));
    char* out = buffer.data() + length;
    char* const end = buffer.data() + std::min(limit, buffer.size() - 1);
    const bool keepLineBreaks = modernRules;
    for (std::size_t i = 0; i < size && out < end; ++i) {
        const char c = data[i];
        // A modern page keeps its NUL bytes until its character set is known (UTF-16).
        if (keepLineBreaks || (c != '\0' && c != '\r' && c != '\n'))
            *out++ = c;
    }
    *out = '\0';
    length = static_cast<int32_t>(out - buffer.data());
    return !Full();
}
