#include "md5_digest.h"

#include "unique_handle.h"

#include <windows.h>
#include <wincrypt.h>

namespace {

// Acquiring a provider costs far more than hashing an identity (about 13 ms under Wine, against
// microseconds for the hash), and the passes hash one identity per item: one context serves the
// whole process. It is never released; the system frees it when the process ends, and releasing
// it while a DLL unloads would call into another DLL under the loader lock.
HCRYPTPROV Provider()
{
    static const HCRYPTPROV provider = [] {
        HCRYPTPROV acquired = 0;
        if (!CryptAcquireContextA(&acquired, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
            acquired = 0;
        return acquired;
    }();
    return provider;
}

}  // namespace

Md5 Md5Digest(const void* data, size_t size)
{
    Md5 digest{};
    HCRYPTPROV provider = Provider();
    UniqueHandle<HCRYPTHASH, &CryptDestroyHash> hash;
    DWORD length = static_cast<DWORD>(digest.size());
    bool ok = provider && CryptCreateHash(provider, CALG_MD5, 0, 0, hash.Receive()) &&
              CryptHashData(hash.Get(), static_cast<const BYTE*>(data), static_cast<DWORD>(size), 0) &&
              CryptGetHashParam(hash.Get(), HP_HASHVAL, digest.data(), &length, 0) && length == digest.size();
    if (!ok)
        throw DigestFailure();
    return digest;
}
