#pragma once
// A file rewritten whole so that a reader finds the old text or the new one, never a mix: the
// text goes to a temporary file of its own beside it (made exclusively, so a name planted
// there is never followed), which is then renamed over the file.

#include <string>

class AtomicFile {
public:
    // False when the text could not be written or the file not replaced.
    static bool Replace(const std::string& path, const std::string& text);
};
