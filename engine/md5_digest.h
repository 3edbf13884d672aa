#pragma once
// MD5 (RFC 1321) from the platform: CryptoAPI on Windows, OpenSSL's libcrypto natively.
#include <array>
#include <cstddef>
#include <cstdint>

using Md5 = std::array<uint8_t, 16>;

Md5 Md5Digest(const void* data, size_t size);
