#include "settings/SettingsFile.h"

#include <cstdio>

Settings SettingsFile::Load() const {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return Settings::Defaults();
    uint8_t buffer[Settings::recordSize];
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    return Settings::FromRecord(buffer, n);
}

bool SettingsFile::Save(const Settings& settings) const {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const auto record = settings.ToRecord();
    const bool written = std::fwrite(record.data(), 1, record.size(), f) == record.size();
    return std::fclose(f) == 0 && written;
}
