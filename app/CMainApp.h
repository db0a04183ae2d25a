#pragma once
// The application object: runs the main window modally and ends the process when it returns.

#include <optional>
#include <string>

class CMainApp {
public:
    // `startAddress`: the address the program was started with, fetched at once.
    int Run(const std::optional<std::string>& startAddress = std::nullopt);
};
