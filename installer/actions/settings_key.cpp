#include "settings_key.h"

#include <windows.h>
#include <aclapi.h>
#include <shlwapi.h>

#include "unique_handle.h"

namespace {

const char kSettingsKey[] = "Software\\Korvala";
const char kBackupKey[] = "Software\\Korvala.backup";
const DWORD kUsersSettingsRights = KEY_QUERY_VALUE | KEY_SET_VALUE;

DWORD MissingIsNoError(DWORD result)
{
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

// Gives `target` the access list of `source`: its own entries, and what it inherits from its
// parent, as `source` does.
DWORD CopyRights(HKEY source, HKEY target)
{
    PACL rights = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD result = ::GetSecurityInfo(source, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                           &rights, nullptr, &descriptor);
    if (result != ERROR_SUCCESS)
        return result;
    const UniqueLocalMemory descriptorMemory(descriptor);
    return ::SetSecurityInfo(target, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, rights, nullptr);
}

// Makes the key `to` anew as a copy of `from`: values, subkeys and rights. ERROR_FILE_NOT_FOUND
// when there is no `from`, and `to` is then left as it is.
DWORD CopyKey(const char* from, const char* to)
{
    UniqueRegKey source;
    LONG result = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, from, 0, KEY_READ | READ_CONTROL, source.Receive());
    if (result != ERROR_SUCCESS)
        return static_cast<DWORD>(result);
    const DWORD removed = MissingIsNoError(::SHDeleteKeyA(HKEY_LOCAL_MACHINE, to));
    if (removed != ERROR_SUCCESS)
        return removed;
    UniqueRegKey target;
    result =
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, to, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, target.Receive(), nullptr);
    if (result == ERROR_SUCCESS)
        result = static_cast<LONG>(::SHCopyKeyA(source.Get(), nullptr, target.Get(), 0));
    if (result == ERROR_SUCCESS)
        result = static_cast<LONG>(CopyRights(source.Get(), target.Get()));
    return static_cast<DWORD>(result);
}

}  // namespace

DWORD GrantUsersTheSettings()
{
    UniqueRegKey key;
    LONG result = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, READ_CONTROL | WRITE_DAC, key.Receive());
    if (result != ERROR_SUCCESS)
        return result;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID users = nullptr;
    PACL current = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL granted = nullptr;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0,
                                    0, &users))
        result = static_cast<LONG>(::GetLastError());
    if (result == ERROR_SUCCESS)
        result = static_cast<LONG>(::GetSecurityInfo(key.Get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                                     nullptr, &current, nullptr, &descriptor));
    if (result == ERROR_SUCCESS) {
        EXPLICIT_ACCESSA access = {};
        access.grfAccessPermissions = kUsersSettingsRights;
        access.grfAccessMode = SET_ACCESS;
        access.grfInheritance = NO_INHERITANCE;
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        access.Trustee.ptstrName = static_cast<LPSTR>(users);
        result = static_cast<LONG>(::SetEntriesInAclA(1, &access, current, &granted));
    }
    if (result == ERROR_SUCCESS)
        result = static_cast<LONG>(::SetSecurityInfo(key.Get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                                     nullptr, granted, nullptr));
    ::LocalFree(granted);
    ::LocalFree(descriptor);
    if (users)
        ::FreeSid(users);
    return static_cast<DWORD>(result);
}

DWORD RemoveSettings()
{
    const DWORD backedUp = CopyKey(kSettingsKey, kBackupKey);
    if (backedUp != ERROR_SUCCESS)
        return MissingIsNoError(backedUp);
    return MissingIsNoError(::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKey));
}

DWORD RestoreSettings()
{
    const DWORD restored = CopyKey(kBackupKey, kSettingsKey);
    if (restored != ERROR_SUCCESS)
        return MissingIsNoError(restored);
    return DropSettingsBackup();
}

DWORD DropSettingsBackup()
{
    return MissingIsNoError(::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kBackupKey));
}
