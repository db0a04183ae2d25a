#include "settings/ModernSettings.h"

#include "settings/AtomicFile.h"

#include <filesystem>
#include <fstream>

namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t start = text.find_first_not_of(" \t\r");
    const std::size_t end = text.find_last_not_of(" \t\r");
    return start == std::string::npos ? std::string() : text.substr(start, end - start + 1);
}

} // namespace

std::string ModernSettings::BesideSettings(const std::string& settingsPath) {
    return std::filesystem::path(settingsPath).replace_filename("tk.modern").string();
}

ModernSettings ModernSettings::Load(const std::string& path) {
    ModernSettings s;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || Trimmed(line).front() == '#')
            continue;
        const std::string key = Trimmed(line.substr(0, equals));
        const std::string value = Trimmed(line.substr(equals + 1));
        if (key == "name-mask")
            s.nameMask = value;
        else if (!key.empty())
            s.others.emplace_back(key, value);
    }
    return s;
}

bool ModernSettings::Save(const std::string& path) const {
    std::string text = "name-mask = " + nameMask + "\n";
    for (const auto& [key, value] : others)
        text += key + " = " + value + "\n";
    return AtomicFile::Replace(path, text);
}
