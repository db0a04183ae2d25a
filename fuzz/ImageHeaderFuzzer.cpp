// Arbitrary bytes as the first bytes of a file: the header reader never reads past them, and
// any size it tells is a sane one.
#include "harvest/ImageHeader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const ImageHeader::Info info =
        ImageHeader::Read(std::string_view(reinterpret_cast<const char*>(data), size));
    if (info.width < 0 || info.height < 0 || info.width > 1000000 || info.height > 1000000 ||
        (info.width == 0) != (info.height == 0))
        std::abort();
    return 0;
}
