#pragma once
// Runs tarvik-cli in-process, and reads back what a download left on disk.

#include "cli/CliCommand.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

inline CliRun RunCli(const std::vector<std::string>& args, const std::string& settingsPath) {
    std::ostringstream out, err;
    const int status = CliCommand::Run(args, out, err, settingsPath);
    return {status, out.str(), err.str()};
}

// The content of a regular file; nothing for a missing file or a symbolic link.
inline std::optional<std::string> ReadFile(const std::filesystem::path& p) {
    if (std::filesystem::is_symlink(p) || !std::filesystem::is_regular_file(p))
        return std::nullopt;
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
