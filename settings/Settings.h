#pragma once
// The user's options: which categories are harvested, where and how downloads are saved, and
// how many run at once. Its byte image is the 276-byte options file.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

struct Settings {
    static constexpr std::size_t recordSize = 276;
    static constexpr std::size_t directoryFieldSize = 259;
    static constexpr std::size_t directoryLimit = 250;
    static constexpr int32_t minThreads = 1;
    static constexpr int32_t maxThreadLimit = 16;
    static constexpr int32_t defaultThreads = 4;

    uint8_t harvestAvi = 1;
    uint8_t harvestMpeg = 1;
    uint8_t harvestAudio = 1;
    uint8_t harvestJpeg = 1;
    uint8_t harvestGif = 1;
    uint8_t harvestHtml = 1;
    uint8_t harvestDoc = 1;
    uint8_t harvestZip = 1;
    uint8_t saveDirectoryConfirmed = 0;
    std::string saveDirectory; // at most directoryLimit bytes when written
    int32_t maxThreads = defaultThreads;
    uint8_t serverNameSubdirectory = 1;
    // Kept in the record's padding, where zero bytes mean the classic rules with both modern
    // categories on, so a reader that ignores the padding reads the same record.
    uint8_t modernRules = 0;  // the harvest and download rules of today's web
    uint8_t harvestImage = 1; // IMAGE links (PNG, WebP, ...), under the modern rules
    uint8_t harvestVideo = 1; // VIDEO links (MP4, WebM, ...), under the modern rules

    // Every field at its default, the save directory being DefaultSaveDirectory().
    static Settings Defaults();

    // The record as stored: fields at their offsets, little-endian; byte 273 the modern switch,
    // byte 274 the modern categories that are off (bit 0 IMAGE, bit 1 VIDEO), byte 275 zero.
    std::array<uint8_t, recordSize> ToRecord() const;

    // Reads a record of `size` bytes (only the first recordSize count). A field that is cut
    // short, a flag that is neither 0 nor 1, an unterminated directory or a thread count
    // outside 1..16 takes its default instead, so nothing out of range reaches a reader.
    static Settings FromRecord(const uint8_t* bytes, std::size_t size);

    bool operator==(const Settings&) const = default;
};

// The user's download folder ($XDG_DOWNLOAD_DIR, else ~/Downloads) when it exists, else the home
// directory, always with a trailing '/'.
std::string DefaultSaveDirectory();
