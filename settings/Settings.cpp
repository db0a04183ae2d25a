#include "settings/Settings.h"

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr std::size_t offsetConfirmed = 8;
constexpr std::size_t offsetDirectory = 9;
constexpr std::size_t offsetThreads = 268;
constexpr std::size_t offsetSubdirectory = 272;
constexpr std::size_t offsetModern = 273;
constexpr std::size_t offsetModernOff = 274;
constexpr uint8_t imageOff = 1;
constexpr uint8_t videoOff = 2;

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithTrailingSlash(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

// A flag byte read from the file: 0 or 1 as stored, anything else (or a missing byte) is the
// field's default.
uint8_t ReadFlag(const uint8_t* bytes, std::size_t size, std::size_t offset, uint8_t fallback) {
    if (offset >= size || bytes[offset] > 1)
        return fallback;
    return bytes[offset];
}

} // namespace

std::string DefaultSaveDirectory() {
    const char* xdg = std::getenv("XDG_DOWNLOAD_DIR");
    if (xdg != nullptr && IsDirectory(xdg))
        return WithTrailingSlash(xdg);
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0')
        return "/";
    std::string downloads = WithTrailingSlash(home) + "Downloads";
    if (IsDirectory(downloads))
        return WithTrailingSlash(downloads);
    return WithTrailingSlash(home);
}

Settings Settings::Defaults() {
    Settings s;
    s.saveDirectory = DefaultSaveDirectory();
    return s;
}

std::array<uint8_t, Settings::recordSize> Settings::ToRecord() const {
    std::array<uint8_t, recordSize> r{};
    const uint8_t flags[] = {harvestAvi, harvestMpeg, harvestAudio, harvestJpeg,
                             harvestGif, harvestHtml, harvestDoc,   harvestZip};
    for (std::size_t i = 0; i < 8; ++i)
        r[i] = flags[i] != 0 ? 1 : 0;
    r[offsetConfirmed] = saveDirectoryConfirmed != 0 ? 1 : 0;
    // The field always keeps its terminating zero, whatever length the text has.
    const std::size_t n = std::min(saveDirectory.size(), directoryFieldSize - 1);
    std::memcpy(r.data() + offsetDirectory, saveDirectory.data(), n);
    const auto threads = static_cast<uint32_t>(maxThreads);
    for (std::size_t i = 0; i < 4; ++i)
        r[offsetThreads + i] = static_cast<uint8_t>(threads >> (8 * i));
    r[offsetSubdirectory] = serverNameSubdirectory != 0 ? 1 : 0;
    r[offsetModern] = modernRules != 0 ? 1 : 0;
    r[offsetModernOff] = static_cast<uint8_t>((harvestImage != 0 ? 0 : imageOff) |
                                              (harvestVideo != 0 ? 0 : videoOff));
    return r;
}

Settings Settings::FromRecord(const uint8_t* bytes, std::size_t size) {
    Settings s = Defaults();
    uint8_t* flags[] = {&s.harvestAvi, &s.harvestMpeg, &s.harvestAudio, &s.harvestJpeg,
                        &s.harvestGif, &s.harvestHtml, &s.harvestDoc,   &s.harvestZip};
    for (std::size_t i = 0; i < 8; ++i)
        *flags[i] = ReadFlag(bytes, size, i, *flags[i]);
    s.saveDirectoryConfirmed = ReadFlag(bytes, size, offsetConfirmed, s.saveDirectoryConfirmed);

    if (size >= offsetDirectory + directoryFieldSize) {
        const auto* field = reinterpret_cast<const char*>(bytes + offsetDirectory);
        const void* end = std::memchr(field, '\0', directoryFieldSize);
        if (end != nullptr)
            s.saveDirectory.assign(field, static_cast<const char*>(end) - field);
    }
    if (size >= offsetThreads + 4) {
        uint32_t raw = 0;
        for (std::size_t i = 0; i < 4; ++i)
            raw |= static_cast<uint32_t>(bytes[offsetThreads + i]) << (8 * i);
        const auto threads = static_cast<int32_t>(raw);
        if (threads >= minThreads && threads <= maxThreadLimit)
            s.maxThreads = threads;
    }
    s.serverNameSubdirectory = ReadFlag(bytes, size, offsetSubdirectory, s.serverNameSubdirectory);
    s.modernRules = ReadFlag(bytes, size, offsetModern, s.modernRules);
    if (offsetModernOff < size) {
        s.harvestImage = (bytes[offsetModernOff] & imageOff) != 0 ? 0 : 1;
        s.harvestVideo = (bytes[offsetModernOff] & videoOff) != 0 ? 0 : 1;
    }
    return s;
}
