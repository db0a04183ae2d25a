#include "download/Sha256.h"

#include <algorithm>
#include <openssl/evp.h>
#include <unistd.h>

Sha256::Sha256() : context(EVP_MD_CTX_new(), EVP_MD_CTX_free) {
    Reset();
}

Sha256::~Sha256() = default;

void Sha256::Reset() {
    EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr);
    bytes = 0;
}

void Sha256::Add(const char* data, std::size_t size) {
    EVP_DigestUpdate(context.get(), data, size);
    bytes += size;
}

bool Sha256::AddFile(int fd, uint64_t length) {
    char buffer[1 << 16];
    for (uint64_t at = 0; at < length;) {
        const auto want = static_cast<std::size_t>(std::min<uint64_t>(sizeof buffer, length - at));
        const ssize_t n = ::pread(fd, buffer, want, static_cast<off_t>(at));
        if (n <= 0)
            return false;
        Add(buffer, static_cast<std::size_t>(n));
        at += static_cast<uint64_t>(n);
    }
    return true;
}

std::string Sha256::Hex() const {
    // A copy is finished, so that the sum itself may go on.
    const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> copy(EVP_MD_CTX_new(),
                                                                  EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!copy || EVP_MD_CTX_copy_ex(copy.get(), context.get()) != 1 ||
        EVP_DigestFinal_ex(copy.get(), digest, &size) != 1)
        return {};
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        hex += digits[digest[i] >> 4];
        hex += digits[digest[i] & 15];
    }
    return hex;
}
