#include "md5_digest.h"

#include <windows.h>
#include <wincrypt.h>

#include <stdexcept>

Md5 Md5Digest(const void* data, size_t size)
{
    Md5 digest{};
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    DWORD length = static_cast<DWORD>(digest.size());
    bool ok = CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)
        && CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)
        && CryptHashData(hash, static_cast<const BYTE*>(data), static_cast<DWORD>(size), 0)
        && CryptGetHashParam(hash, HP_HASHVAL, digest.data(), &length, 0)
        && length == digest.size();
    if (hash)
        CryptDestroyHash(hash);
    if (provider)
        CryptReleaseContext(provider, 0);
    if (!ok)
        throw std::runtime_error("MD5 digest failed");
    return digest;
}
