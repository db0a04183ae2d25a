#include "harvest/PageText.h"

PageText::PageText() : buffer(new char[capacity]) {
    buffer[0] = '\0';
}

void PageText::Clear() {
    length = 0;
    buffer[0] = '\0';
}

void PageText::Append(const char* data, std::size_t size) {
    char* out = buffer.get() + length;
    char* const end = buffer.get() + maxLength;
    for (std::size_t i = 0; i < size && out < end; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n' && c != '\0')
            *out++ = c;
    }
    *out = '\0';
    length = static_cast<int32_t>(out - buffer.get());
}
