#include "settings/ModernSettings.h"

#include "settings/AtomicFile.h"

#include <charconv>
#include <filesystem>
#include <fstream>

namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t start = text.find_first_not_of(" \t\r");
    const std::size_t end = text.find_last_not_of(" \t\r");
    return start == std::string::npos ? std::string() : text.substr(start, end - start + 1);
}

bool IsSource(const std::string& word) {
    for (const char* known : {"none", "firefox", "chromium", "chrome", "brave", "file"})
        if (word == known)
            return true;
    return false;
}

// "WxH", each side 0 to maxSide; anything else leaves the default.
void ReadSize(const std::string& value, ModernSettings& s) {
    const std::size_t x = value.find('x');
    int w = 0, h = 0;
    const char* end = value.data() + value.size();
    if (x == std::string::npos ||
        std::from_chars(value.data(), value.data() + x, w).ptr != value.data() + x ||
        std::from_chars(value.data() + x + 1, end, h).ptr != end || x == 0 ||
        x + 1 == value.size() || w < 0 || h < 0 || w > ModernSettings::maxSide ||
        h > ModernSettings::maxSide)
        return;
    s.minWidth = w;
    s.minHeight = h;
}

// "true" or "false"; anything else leaves the default.
void ReadFlag(const std::string& value, bool& into) {
    if (value == "true" || value == "false")
        into = value == "true";
}

// A whole number from `low` to `high`; anything else leaves the default.
void ReadNumber(const std::string& value, int low, int high, int& into) {
    int n = 0;
    const char* end = value.data() + value.size();
    const auto [rest, error] = std::from_chars(value.data(), end, n);
    if (error == std::errc() && rest == end && !value.empty() && n >= low && n <= high)
        into = n;
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
        else if (key == "min-size")
            ReadSize(value, s);
        else if (key == "cookies")
            s.cookies = IsSource(value) ? value : "none";
        else if (key == "cookie-profile")
            s.cookieProfile = value;
        else if (key == "cookie-file")
            s.cookieFile = value;
        else if (key == "user-agent")
            s.userAgent = value;
        else if (key == "next-pages")
            ReadNumber(value, 0, maxNextPages, s.nextPages);
        else if (key == "per-server")
            ReadNumber(value, 0, 16, s.perServer);
        else if (key == "limit-rate")
            ReadNumber(value, 0, maxLimitRate, s.limitRate);
        else if (key == "keep-identical")
            ReadFlag(value, s.keepIdentical);
        else if (key == "notify")
            ReadFlag(value, s.notify);
        else if (!key.empty())
            s.others.emplace_back(key, value);
    }
    return s;
}

bool ModernSettings::Save(const std::string& path) const {
    // A value is one line, whatever was typed.
    auto line = [](const char* key, std::string value) {
        for (char& c : value)
            c = c == '\n' || c == '\r' ? ' ' : c;
        return std::string(key) + " = " + value + "\n";
    };
    std::string text =
        line("name-mask", nameMask) +
        line("min-size", std::to_string(minWidth) + "x" + std::to_string(minHeight)) +
        line("cookies", cookies) + line("cookie-profile", cookieProfile) +
        line("cookie-file", cookieFile) + line("user-agent", userAgent) +
        line("next-pages", std::to_string(nextPages)) +
        line("per-server", std::to_string(perServer)) +
        line("limit-rate", std::to_string(limitRate)) +
        line("keep-identical", keepIdentical ? "true" : "false") +
        line("notify", notify ? "true" : "false");
    for (const auto& [key, value] : others)
        text += key + " = " + value + "\n";
    return AtomicFile::Replace(path, text);
}
