#pragma once
// The pieces of opening a web address that need no desktop: the command line made from a
// browser's desktop entry, its words, and the texts of the launch failures.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class BrowserCommand {
public:
    // The command line may not grow past this many bytes.
    static constexpr std::size_t lineLimit = 520;
    // An explorer-style command line ("explorer.exe " + path) holds at most this many path bytes.
    static constexpr std::size_t pathLimit = 1010;

    // The Exec= value of a desktop entry's [Desktop Entry] group, or "" when it has none.
    static std::string ExecOf(const std::string& desktopEntry);
    // `exec` cut at its placeholder (at the opening quote of a quoted "%u", "%U", "%f" or "%F",
    // else at the first bare one; with none the whole text stays), then " " and `address`.
    // Nothing when that would pass lineLimit.
    static std::optional<std::string> CommandLine(const std::string& exec,
                                                  const std::string& address);
    // The words of a command line, with the desktop entry's double-quote and backslash rules.
    static std::vector<std::string> Words(const std::string& line);
    // "Can't open link:\n\n" (or what `what` names) and the text for a launch failure code.
    static std::string FailureMessage(int code, const std::string& what = "link");
};
