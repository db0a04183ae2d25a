#pragma once
// The SHA-256 of a download, taken as its bytes are written (libcrypto), so that a finished file
// is known by its digest without being read again.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct evp_md_ctx_st;

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    // Starts again from no bytes.
    void Reset();
    void Add(const char* data, std::size_t size);
    // Adds the first `bytes` of the open file `fd`, read from its start; false when it holds
    // fewer or cannot be read.
    bool AddFile(int fd, uint64_t bytes);
    uint64_t Bytes() const { return bytes; }
    // The digest of the bytes added: 64 lower-case hex digits. The sum goes on afterwards.
    std::string Hex() const;

private:
    std::unique_ptr<evp_md_ctx_st, void (*)(evp_md_ctx_st*)> context;
    uint64_t bytes = 0;
};
