#include "app/BrowserCommand.h"

#include <sstream>
#include <utility>

std::string BrowserCommand::ExecOf(const std::string& desktopEntry) {
    std::istringstream in(desktopEntry);
    bool inMainGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '[')
            inMainGroup = line == "[Desktop Entry]";
        else if (inMainGroup && line.rfind("Exec=", 0) == 0)
            return line.substr(5);
    }
    return {};
}

std::optional<std::string> BrowserCommand::CommandLine(const std::string& exec,
                                                       const std::string& address) {
    std::size_t cut = std::string::npos;
    for (const char* code : {"%u", "%U", "%f", "%F"}) {
        const std::size_t quoted = exec.find(std::string("\"") + code + "\"");
        if (quoted != std::string::npos)
            cut = std::min(cut, quoted);
    }
    if (cut == std::string::npos)
        for (const char* code : {"%u", "%U", "%f", "%F"})
            cut = std::min(cut, exec.find(code));
    std::string line = exec.substr(0, cut) + " " + address;
    if (line.size() > lineLimit)
        return std::nullopt;
    return line;
}

std::vector<std::string> BrowserCommand::Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '\\' && i + 1 < line.size()) {
            word += line[++i];
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

std::string BrowserCommand::FailureMessage(int code, const std::string& what) {
    // The launch failure codes and their texts; the desktop opener's failures are mapped onto
    // them by the platform.
    static const std::pair<int, const char*> texts[] = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere "
             "being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."}};
    const std::string head = "Can't open " + what + ":\n\n";
    for (const auto& [known, text] : texts)
        if (known == code)
            return head + text;
    return head + "Unknown Error (" + std::to_string(code) + ") occurred.";
}
