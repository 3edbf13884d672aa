#include "wine_app_version.h"

#include <windows.h>

#include <cstring>

WineAppVersion::WineAppVersion(const std::string& program, const char* version)
    : key_("Software\\Wine\\AppDefaults\\" + program)
{
    HKEY appDefaults = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &appDefaults,
                        nullptr) != ERROR_SUCCESS)
        return;
    set_ = RegSetValueExA(appDefaults, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                          DWORD(std::strlen(version) + 1)) == ERROR_SUCCESS;
    RegCloseKey(appDefaults);
}

WineAppVersion::~WineAppVersion()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, key_.c_str());
}
