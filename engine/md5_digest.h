#pragma once
// MD5 (RFC 1321) from the platform: CryptoAPI on Windows, OpenSSL's libcrypto natively.
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

using Md5 = std::array<uint8_t, 16>;

// The platform could not make the digest (no cryptographic provider, for instance).
class DigestFailure : public std::runtime_error {
public:
    DigestFailure() : std::runtime_error("MD5 digest failed") {}
};

// Throws DigestFailure when the digest cannot be made.
Md5 Md5Digest(const void* data, size_t size);
