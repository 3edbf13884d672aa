#include "registry_rights.h"

#include <sddl.h>

RestrictedKey::RestrictedKey(HKEY root, const std::string& subKey, const char* dacl)
{
    // The handle is opened before the restriction so that it can still undo it afterwards.
    if (RegOpenKeyExA(root, subKey.c_str(), 0, READ_CONTROL | WRITE_DAC, &key_) != ERROR_SUCCESS) {
        key_ = nullptr;
        return;
    }
    DWORD size = 0;
    RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
    earlier_.resize(size);
    if (size == 0 || RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, earlier_.data(), &size) != ERROR_SUCCESS)
        earlier_.clear();
    PSECURITY_DESCRIPTOR restricted = nullptr;
    if (earlier_.empty() ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorA(dacl, SDDL_REVISION_1, &restricted, nullptr))
        return;
    restricted_ = RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, restricted) == ERROR_SUCCESS;
    LocalFree(restricted);
}

RestrictedKey::~RestrictedKey()
{
    if (restricted_)
        RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, earlier_.data());
    if (key_)
        RegCloseKey(key_);
}
