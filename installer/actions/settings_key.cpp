#include "settings_key.h"

#include <windows.h>
#include <aclapi.h>
#include <shlwapi.h>

#include "unique_handle.h"

namespace {

const char kSettingsKey[] = "Software\\Korvala";
const DWORD kUsersSettingsRights = KEY_QUERY_VALUE | KEY_SET_VALUE;

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
    const DWORD result = ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsKey);
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}
