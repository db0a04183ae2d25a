#pragma once
// The ".part" a modern download writes, and the hidden record beside it that proves it is
// Tarvik's: the record names the one address and version the part holds and is locked for as
// long as a download writes it (so two runs at once never share a part). It lives as long as
// its part: a finished file keeps its origin itself (FileOrigin).

#include <cstdint>
#include <string>

class LocalFile;

class PartFile {
public:
    // What a record says of its part.
    struct Identity {
        std::string address;   // the whole address asked for
        std::string validator; // the strong ETag or Last-Modified of the bytes held; empty: none
        uint64_t total = 0;    // the whole file's size, 0 while unknown
        std::string finalName; // once complete: the name the file was published under
        uint64_t device = 0;   // the part's file, so that no other file is ever continued;
        uint64_t inode = 0;    // 0 while the part is not made, or in an older record
        bool older = false;    // a record of the older layout, which names no file
    };
    static constexpr int maxVariants = 16;

    PartFile() = default;
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // "NAME.HASH.part", HASH standing for the whole address; later variants add "-N".
    static std::string PartName(const std::string& fileName, const std::string& address,
                                int variant = 1);
    // The hidden record of part `partName`.
    static std::string RecordName(const std::string& partName);
    // Removes a part and its record, as a row that goes takes them with it.
    static void Discard(const std::string& saveDirectory, const std::string& subdirectory,
                        const std::string& partName);

    // Takes the part of `address` for `fileName`: the first variant whose record is free and
    // names this address, or that has no part yet and no record, or an empty one (a new record
    // is created exclusively, and written when the part is opened). A record locked by another
    // run, or a part or record that are not Tarvik's, moves on to the next variant. False when
    // none could be taken.
    bool Claim(const std::string& saveDirectory, const std::string& subdirectory,
               const std::string& fileName, const std::string& address);
    const std::string& Name() const { return partName; }
    // What the record held when the part was claimed, and what has been recorded since.
    const Identity& Recorded() const { return identity; }
    // The bytes the part holds now; 0 when there is none, or when what stands under its name
    // is not the file the record names (another file, or one with a second name).
    uint64_t Size() const;
    // Rewrites the record. False when it could not be written.
    bool Record(const Identity& what);
    // Opens the part for writing from byte `keep` on: a part continued must be the very file
    // the record names, with no other name; from 0 a new part replaces the old one (its name
    // removed, never its contents), created exclusively. A new version of the file (`fresh`,
    // from 0) is recorded together with the new part, in one write.
    bool Open(LocalFile& file, uint64_t keep, const Identity* fresh = nullptr);
    // Renames the complete part to `fileName`, or a free variant of it, never replacing a file,
    // gives the file its origin (the address, `referrer`, the version and the bytes' `sha256`)
    // and removes the record: nothing stands beside a finished file. Empty when it could not be
    // renamed.
    // `described`: the part's open file was given its origin already (Describe).
    std::string Publish(const std::string& fileName, const std::string& referrer,
                        const std::string& sha256, std::string& why, bool described = false);
    // Gives the part, open as `file`, the origin its file will keep, before it is closed and
    // published: no second opening of the file. False when the attributes could not be set.
    bool Describe(const LocalFile& file, const std::string& referrer,
                  const std::string& sha256) const;
    // Removes the part and the record, and gives the claim up.
    void Discard();
    // After a failure for good: keeps a part that a later run can resume (bytes of a known
    // version), else discards the part and its record.
    void DiscardUnlessResumable();

private:
    void Release();

    std::string saveDirectory;
    std::string subdirectory;
    std::string partName;
    Identity identity;
    int recordFd = -1;     // open and locked while claimed
    bool ownsPart = false; // a part under partName is this record's
};
