#pragma once
// Gives a registry key another access list for a while, as an account without administrative
// rights would meet it. The list is set with RegSetKeySecurity and lasts only while the
// wineserver runs, so the check must run in the same process that holds this object.
#include <windows.h>

#include <string>
#include <vector>

class RestrictedKey {
public:
    // dacl: the access list in SDDL, for instance "D:P(A;;KR;;;WD)".
    RestrictedKey(HKEY root, const std::string& subKey, const char* dacl);
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

// Takes full access away: the key stays readable for everyone, and opening it with
// KEY_ALL_ACCESS fails with 5.
class ReadOnlyKey : public RestrictedKey {
public:
    ReadOnlyKey(HKEY root, const std::string& subKey) : RestrictedKey(root, subKey, "D:P(A;;KR;;;WD)") {}
};
