#include "identification.h"

#include "scrambled_text.h"

namespace {

const char kSettingsKey[] = "Software\\Korvala";
const char kGuestScanValue[] = "GuestScan";
const char kUsernameValue[] = "Username";
const char kPasswordValue[] = "Password";
// The access the store uses: reading and setting values, which the installer grants to the
// local Users group. Full access, which only administrators have, would keep a standard account
// from its own settings.
const REGSAM kSettingsAccess = KEY_QUERY_VALUE | KEY_SET_VALUE;

}  // namespace

IdentificationStore::IdentificationStore()
{
    m_store.SetRootKey(HKEY_LOCAL_MACHINE);
    m_opened = m_store.SetKey(kSettingsKey, FALSE, kSettingsAccess);
}

Identification IdentificationStore::Read()
{
    Identification identification;
    if (!m_opened)
        return identification;
    identification.guestScan = m_store.ReadDword(kGuestScanValue, 0);
    identification.email = ReadScrambled(kUsernameValue);
    identification.password = ReadScrambled(kPasswordValue);
    return identification;
}

BOOL IdentificationStore::WriteRegistered(bool registered)
{
    return m_opened && m_store.WriteDword(kGuestScanValue, registered ? 1 : 0);
}

BOOL IdentificationStore::WriteEmail(const std::string& email)
{
    return WriteScrambled(kUsernameValue, email);
}

BOOL IdentificationStore::WritePassword(const std::string& password)
{
    return WriteScrambled(kPasswordValue, password);
}

std::string IdentificationStore::ReadScrambled(const char* name)
{
    return UnscrambleText(m_store.ReadString(name, std::string()), kCredentialKey);
}

// Without the key the store would address the root of HKEY_LOCAL_MACHINE: nothing is written then.
BOOL IdentificationStore::WriteScrambled(const char* name, const std::string& plain)
{
    return m_opened && m_store.WriteString(name, ScrambleText(plain, kCredentialKey));
}

Identification ReadIdentification()
{
    return IdentificationStore().Read();
}
