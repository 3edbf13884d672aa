#pragma once
// HKLM\Software\Korvala as the installer leaves it, with the user's identification stored as the
// options sheet stores it; the key is deleted again when this object goes.
#include <windows.h>

#include <string>

class StoredIdentification {
public:
    StoredIdentification(DWORD guestScan, const std::string& email, const std::string& password);
    ~StoredIdentification();
    StoredIdentification(const StoredIdentification&) = delete;
    StoredIdentification& operator=(const StoredIdentification&) = delete;

private:
    void SetText(const char* name, const std::string& value);

    HKEY key_ = nullptr;
};
