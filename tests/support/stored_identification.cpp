#include "stored_identification.h"

#include "scrambled_text.h"

StoredIdentification::StoredIdentification(DWORD guestScan, const std::string& email, const std::string& password)
{
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Korvala", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    RegSetValueExA(key_, "GuestScan", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&guestScan), 4);
    SetText("Username", ScrambleText(email, kCredentialKey));
    SetText("Password", ScrambleText(password, kCredentialKey));
}

StoredIdentification::~StoredIdentification()
{
    RegCloseKey(key_);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Korvala");
}

void StoredIdentification::SetText(const char* name, const std::string& value)
{
    RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
}
