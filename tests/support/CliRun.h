#pragma once
// Runs tarvik-cli in-process, and reads back what a download left on disk.

#include "cli/CliCommand.h"
#include "download/LocalFile.h"
#include "download/PartFile.h"

#include <algorithm>
#include <ctime>
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

inline CliRun RunCli(const std::vector<std::string>& args, const std::string& settingsPath,
                     bool terminal = false) {
    std::ostringstream out, err;
    const int status = CliCommand::Run(args, out, err, settingsPath, terminal);
    return {status, out.str(), err.str()};
}

// The lines of `text`, sorted. In an expected text '|' stands for a tab and "H" between two of
// them for `host`, when one is given.
inline std::vector<std::string> SortedLines(const std::string& text, const std::string& host = "") {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!host.empty()) {
            std::replace(line.begin(), line.end(), '|', '\t');
            if (const std::size_t h = line.find("\tH\t"); h != std::string::npos)
                line.replace(h + 1, 1, host);
        }
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// `text` with each line cut after its first `n` tab-separated fields.
inline std::string FirstFields(const std::string& text, int n) {
    std::string out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::size_t at = 0;
        for (int tabs = 0; tabs < n && at != std::string::npos; ++tabs)
            at = line.find('\t', at + (tabs > 0));
        out += line.substr(0, at) + "\n";
    }
    return out;
}

// The content of a regular file; nothing for a missing file or a symbolic link.
inline std::optional<std::string> ReadFile(const std::filesystem::path& p) {
    if (std::filesystem::is_symlink(p) || !std::filesystem::is_regular_file(p))
        return std::nullopt;
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The part a modern download of `name` keeps in `dir` ("NAME.HASH.part"); empty when none.
inline std::filesystem::path PartOf(const std::filesystem::path& dir, const std::string& name) {
    std::error_code error;
    for (const auto& f : std::filesystem::directory_iterator(dir, error)) {
        const std::string n = f.path().filename();
        if (n.rfind(name + ".", 0) == 0 && n.size() > name.size() + 5 &&
            n.compare(n.size() - 5, 5, ".part") == 0)
            return f.path();
    }
    return {};
}

// What an earlier run left of `address` in `dir`: a part holding the first `bytes` of `body`
// (version `validator`), with its record. False when it could not be made.
inline bool LeavePart(const std::string& dir, const std::string& name, const std::string& address,
                      const std::string& validator, const std::string& body, std::size_t bytes) {
    PartFile part;
    LocalFile file;
    return part.Claim(dir, "", name, address) &&
           part.Record({address, validator, body.size(), ""}) && part.Open(file, 0) &&
           file.Write(body.data(), bytes) == bytes;
}

// An HTTP date `seconds` from now.
inline std::string HttpDate(int seconds) {
    const std::time_t t = std::time(nullptr) + seconds;
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", std::gmtime(&t));
    return text;
}
