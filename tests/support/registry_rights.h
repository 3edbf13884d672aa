#pragma once
// Takes full access to a registry key away for a while, as an account without administrative
// rights would meet it: the key stays readable, opening it with KEY_ALL_ACCESS fails with 5.
// The restriction is set with RegSetKeySecurity and lasts only while the wineserver runs, so
// the check must run in the same process that holds this object.
#include <windows.h>

#include <string>
#include <vector>

class ReadOnlyKey {
public:
    ReadOnlyKey(HKEY root, const std::string& subKey);
    // Gives the key its earlier security back.
    ~ReadOnlyKey();
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;

    bool Restricted() const { return restricted_; }

private:
    HKEY key_ = nullptr;
    std::vector<BYTE> earlier_;
    bool restricted_ = false;
};
