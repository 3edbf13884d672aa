#include "md5_digest.h"

#include <openssl/evp.h>

#include <stdexcept>

Md5 Md5Digest(const void* data, size_t size)
{
    Md5 digest{};
    unsigned int length = 0;
    if (!EVP_Digest(data, size, digest.data(), &length, EVP_md5(), nullptr) || length != digest.size())
        throw std::runtime_error("MD5 digest failed");
    return digest;
}
