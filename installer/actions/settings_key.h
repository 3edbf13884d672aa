// The program's settings key (HKEY_LOCAL_MACHINE "Software\Korvala") as the installers leave it,
// in the registry view of the calling process.
#pragma once

#include <windows.h>

// Gives the local Users group (S-1-5-32-545) exactly the rights the program opens the settings
// with, KEY_QUERY_VALUE | KEY_SET_VALUE, as one access entry of its own beside the rights the key
// inherits: without it a standard account's writes fail (or, on Vista and later, land in a
// per-user copy that nothing removes). Returns the Windows error code.
DWORD GrantUsersTheSettings();

// Removes the key with everything in it, also the values the program wrote. A missing key is no
// error. Returns the Windows error code.
DWORD RemoveSettings();
