#include "registry_store.h"

#include <cstring>

void CRegistryStore::Reset()
{
    subKey_.clear();
    root_ = HKEY_CURRENT_USER;
    lazyWrite_ = TRUE;
}

BOOL CRegistryStore::SetRootKey(HKEY root)
{
    if (root != HKEY_CLASSES_ROOT && root != HKEY_CURRENT_USER && root != HKEY_LOCAL_MACHINE && root != HKEY_USERS)
        return FALSE;
    root_ = root;
    return TRUE;
}

BOOL CRegistryStore::SetKey(const std::string& subKey, BOOL create, REGSAM access)
{
    if (subKey.empty()) {
        subKey_.clear();
        return TRUE;
    }
    UniqueRegKey key;
    if (create) {
        if (RegCreateKeyExA(root_, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.Receive(),
                            nullptr) != ERROR_SUCCESS)
            return FALSE;
    } else {
        lastError_ = RegOpenKeyExA(root_, subKey.c_str(), 0, access, key.Receive());
        if (lastError_ != ERROR_SUCCESS)
            return FALSE;
    }
    subKey_ = subKey;
    FlushAfterWrite(key.Get(), true);
    return TRUE;
}

DWORD CRegistryStore::GetValueType(const std::string& name)
{
    UniqueRegKey key = OpenCurrent(KEY_QUERY_VALUE, true);
    if (!key)
        return 0;
    DWORD type = 0;
    lastError_ = RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, nullptr);
    return lastError_ == ERROR_SUCCESS ? type : 0;
}

std::string CRegistryStore::ReadString(const std::string& name, const std::string& defaultValue)
{
    DWORD type = GetValueType(name);
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return defaultValue;
    UniqueRegKey key = OpenCurrent(KEY_QUERY_VALUE, true);
    if (!key)
        return defaultValue;
    char buffer[kStringBufferSize] = {};
    DWORD size = sizeof buffer;
    lastError_ = RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    if (lastError_ != ERROR_SUCCESS)
        return defaultValue;
    // A value stored without its terminating zero may fill the buffer exactly.
    if (size > sizeof buffer)
        size = sizeof buffer;
    return std::string(buffer, strnlen(buffer, size));
}

BOOL CRegistryStore::WriteString(const std::string& name, const std::string& value)
{
    if (value.size() > kLongestString)
        return FALSE;
    UniqueRegKey key = OpenCurrent(KEY_SET_VALUE, false);
    if (!key)
        return FALSE;
    bool wrote = RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size()) + 1) == ERROR_SUCCESS;
    FlushAfterWrite(key.Get(), wrote);
    return wrote;
}

DWORD CRegistryStore::ReadDword(const std::string& name, DWORD defaultValue)
{
    UniqueRegKey key = OpenCurrent(KEY_QUERY_VALUE, false);
    if (!key)
        return defaultValue;
    BYTE bytes[4] = {};
    DWORD size = sizeof bytes;
    LONG status = RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, bytes, &size);
    if (status != ERROR_SUCCESS)
        return defaultValue;
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<DWORD>(bytes[3]) << 24;
}

BOOL CRegistryStore::WriteDword(const std::string& name, DWORD value)
{
    UniqueRegKey key = OpenCurrent(KEY_SET_VALUE, false);
    if (!key)
        return FALSE;
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                           static_cast<BYTE>(value >> 24)};
    bool wrote = RegSetValueExA(key.Get(), name.c_str(), 0, REG_BINARY, bytes, sizeof bytes) == ERROR_SUCCESS;
    FlushAfterWrite(key.Get(), wrote);
    return wrote;
}

BOOL CRegistryStore::DeleteValue(const std::string& name)
{
    UniqueRegKey key = OpenCurrent(KEY_SET_VALUE, false);
    if (!key)
        return FALSE;
    return RegDeleteValueA(key.Get(), name.c_str()) == ERROR_SUCCESS;
}

UniqueRegKey CRegistryStore::OpenCurrent(REGSAM access, bool recordError)
{
    UniqueRegKey key;
    LONG status = RegOpenKeyExA(root_, subKey_.c_str(), 0, access, key.Receive());
    if (recordError)
        lastError_ = status;
    if (status != ERROR_SUCCESS)
        key.Reset();
    return key;
}

void CRegistryStore::FlushAfterWrite(HKEY key, bool wrote) const
{
    if (wrote && !lazyWrite_)
        RegFlushKey(key);
}
