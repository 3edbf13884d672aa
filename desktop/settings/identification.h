#pragma once
// The user's identification, kept under HKEY_LOCAL_MACHINE "Software\Korvala": whether scans
// run as a guest, and the user's e-mail address and password in scrambled form. The key is
// opened, never created (the installer makes it), with the rights to read and set values, which
// the installer grants to every user of the machine.
#include "registry_store.h"

#include <string>

struct Identification {
    DWORD guestScan = 0;  // 0: scans run as a guest; 1: as the registered user
    std::string email;
    std::string password;
};

class IdentificationStore {
public:
    IdentificationStore();

    // False when "Software\Korvala" could not be opened: reads give the defaults (a guest with
    // empty e-mail address and password) and writes fail.
    bool KeyOpened() const { return m_opened; }

    Identification Read();
    // Stores "GuestScan": 1 for the registered user, 0 for a guest.
    BOOL WriteRegistered(bool registered);
    BOOL WriteEmail(const std::string& email);
    BOOL WritePassword(const std::string& password);

private:
    std::string ReadScrambled(const char* name);
    BOOL WriteScrambled(const char* name, const std::string& plain);

    CRegistryStore m_store;
    bool m_opened;
};

// The identification as stored now.
Identification ReadIdentification();
