#include "md5_digest.h"

#include <openssl/evp.h>

Md5 Md5Digest(const void* data, size_t size)
{
    Md5 digest{};
    unsigned int length = 0;
    if (!EVP_Digest(data, size, digest.data(), &length, EVP_md5(), nullptr) || length != digest.size())
        throw DigestFailure();
    return digest;
}
