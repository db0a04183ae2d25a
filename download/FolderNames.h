#pragma once
// The names that stand in one folder of the save directory, read in one pass and kept by the
// name each is a numbered variant of ("NAME", "STEM (2).EXT", ...), so that naming a burst of
// rows in a full folder reads it once, not once a row.

#include <map>
#include <string>
#include <unordered_map>

class FolderNames {
public:
    // Reads the folder `subdirectory` ("" or "a/b") of the save directory; a folder that cannot
    // be read holds no names.
    void Read(const std::string& saveDirectory, const std::string& subdirectory);
    // The variants of `name` that stand there, by number (1: the name itself), each true when
    // it is a regular file.
    const std::map<int, bool>& VariantsOf(const std::string& name) const;

private:
    std::unordered_map<std::string, std::map<int, bool>> variants;
};
