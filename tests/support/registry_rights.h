#pragma once
// Takes rights on a registry key away for a while, as an account without administrative rights
// meets them. The restriction is set with RegSetKeySecurity and lasts only while the wineserver
// runs, so the check must run in the same process that holds this object.
#include <windows.h>

#include <string>
#include <vector>

enum class KeyRights {
    // What such an account has on machine keys like the device class keys: the key stays
    // readable, opening it with KEY_ALL_ACCESS fails with 5.
    kReadOnly,
    // Not even reading: opening the key with KEY_READ fails with 5 too.
    kNone,
};

class RestrictedKey {
public:
    RestrictedKey(HKEY root, const std::string& subKey, KeyRights rights = KeyRights::kReadOnly);
    // Gives the key its earlier security back.
    ~RestrictedKey();
    RestrictedKey(const RestrictedKey&) = delete;
    RestrictedKey& operator=(const RestrictedKey&) = delete;

    bool Restricted() const { return restricted_; }

private:
    HKEY key_ = nullptr;
    std::vector<BYTE> earlier_;
    bool restricted_ = false;
};
