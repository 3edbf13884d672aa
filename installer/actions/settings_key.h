// The program's settings key (HKEY_LOCAL_MACHINE "Software\Korvala") as the installers leave it,
// in the registry view of the calling process.
#pragma once

#include <windows.h>

// Gives the local Users group (S-1-5-32-545) exactly the rights the program opens the settings
// with, KEY_QUERY_VALUE | KEY_SET_VALUE, as one access entry of its own beside the rights the key
// inherits: without it a standard account's writes fail (or, on Vista and later, land in a
// per-user copy that nothing removes). Returns the Windows error code.
DWORD GrantUsersTheSettings();

// Removes the key with everything in it, also the values the program wrote, after copying it
// whole (values, subkeys and rights) to a backup key beside it; a key that cannot be copied stays.
// A missing key is no error. Returns the Windows error code, as the two below do.
DWORD RemoveSettings();

// Puts the key back as the backup holds it, and removes the backup: for an installation that fails
// or is cancelled after RemoveSettings. Without a backup nothing changes.
DWORD RestoreSettings();

// Removes the backup: for an installation that succeeded.
DWORD DropSettingsBackup();
