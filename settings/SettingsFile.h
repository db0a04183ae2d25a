#pragma once
// Reads and writes the options file ("tk.opt" in the working directory): the Settings record,
// read once at start and written once at the end of a run.

#include "settings/Settings.h"

#include <string>

class SettingsFile {
public:
    explicit SettingsFile(std::string path = "tk.opt") : path(std::move(path)) {}

    // The record from the file; the defaults when it cannot be read.
    Settings Load() const;
    // Writes the whole record, replacing the file. False when it could not be written.
    bool Save(const Settings& settings) const;

    const std::string& Path() const { return path; }

private:
    std::string path;
};
