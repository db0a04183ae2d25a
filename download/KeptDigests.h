#pragma once
// The digests of the files Tarvik made in a save folder and under it, read once per run (their
// user.tarvik.sha256, else the folder's .tarvik-origins lines) and kept in memory, so that a
// finished download whose bytes equal a kept file is known without reading either again.
// One thread at a time: the monitor reads them on a thread of its own and takes them over once
// that thread has ended.

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class KeptDigests {
public:
    // The folders walked below the save folder, at most.
    static constexpr int maxDepth = 16;

    // Reads the digests under `saveDirectory`, unless they are the ones held. A `stop` that
    // turns true ends the reading, and nothing is held.
    void Load(const std::string& saveDirectory, const std::atomic<bool>* stop = nullptr);
    bool Holds(const std::string& folder) const { return loaded && folder == saveDirectory; }
    // A file other than `path` (both under the save folder) whose bytes are `sha256` and
    // `size`, checked on disk now: still there, a regular file, of that size, with that digest
    // kept. Empty: none.
    std::string Find(const std::string& sha256, uint64_t size, const std::string& path) const;
    // `path` now holds the bytes of `sha256`.
    void Add(const std::string& sha256, const std::string& path);
    std::size_t Size() const { return byDigest.size(); } // digests known

private:
    void Walk(int folder, const std::string& under, int depth, const std::atomic<bool>* stop);

    std::string saveDirectory;
    bool loaded = false;
    // Digest -> the paths under the folder that hold it (more than one when identical files
    // were kept, or the file being checked is one of them).
    std::unordered_map<std::string, std::vector<std::string>> byDigest;
};
