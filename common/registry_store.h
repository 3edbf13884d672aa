#pragma once
// Typed access to single registry values below one root key and one current sub key. No key
// handle is kept between calls: every operation opens the current key with the access it
// needs, makes its one call and closes the key again.
#include "unique_handle.h"

#include <windows.h>

#include <string>

class CRegistryStore {
public:
    CRegistryStore() = default;
    ~CRegistryStore() { Reset(); }
    CRegistryStore(const CRegistryStore&) = delete;
    CRegistryStore& operator=(const CRegistryStore&) = delete;

    // Back to the state of a new store: root HKEY_CURRENT_USER, empty sub key, lazy write.
    // The last error is kept for inspection.
    void Reset();

    // Accepts only HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS.
    BOOL SetRootKey(HKEY root);
    // Makes subKey current when it can be opened with the given access (or created, when asked);
    // an empty subKey addresses the root key itself. On failure the current sub key stays.
    // Callers ask for the access they use: an account without administrative rights may read
    // (and, where granted, set) values of a key it cannot open with full access.
    BOOL SetKey(const std::string& subKey, BOOL create, REGSAM access = KEY_ALL_ACCESS);

    // The value's registry type, or 0 when it cannot be queried.
    DWORD GetValueType(const std::string& name);
    // A REG_SZ or REG_EXPAND_SZ value of at most 255 bytes, unexpanded; defaultValue otherwise.
    std::string ReadString(const std::string& name, const std::string& defaultValue);
    // Stores value as REG_SZ; a value longer than 254 characters is refused.
    BOOL WriteString(const std::string& name, const std::string& value);
    // Up to 4 bytes of any type, least significant first; bytes a shorter value lacks read as 0.
    DWORD ReadDword(const std::string& name, DWORD defaultValue);
    // Stores the 4 bytes of value, least significant first, as REG_BINARY.
    BOOL WriteDword(const std::string& name, DWORD value);
    BOOL DeleteValue(const std::string& name);

    // While lazy write is off, successful writes and SetKey flush the key before closing it.
    void SetLazyWrite(BOOL lazy) { lazyWrite_ = lazy; }

    LONG LastError() const { return lastError_; }
    HKEY RootKey() const { return root_; }
    const std::string& SubKey() const { return subKey_; }

    static constexpr DWORD kStringBufferSize = 255;
    static constexpr size_t kLongestString = kStringBufferSize - 1;

private:
    // The current key opened with access; empty on failure. recordError keeps the open's status.
    UniqueRegKey OpenCurrent(REGSAM access, bool recordError);
    void FlushAfterWrite(HKEY key, bool wrote) const;

    LONG lastError_ = ERROR_SUCCESS;
    HKEY root_ = HKEY_CURRENT_USER;
    BOOL lazyWrite_ = TRUE;
    std::string subKey_;
};
