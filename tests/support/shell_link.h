#pragma once
// Shortcut files made through the real shell link object, as a user's installer would.
#include <string>

// Creates (or replaces) the .lnk file at linkPath pointing at target; false on failure.
// COM must be initialised on the calling thread.
bool CreateShortcut(const std::string& linkPath, const std::string& target);

// The path of a special folder (CSIDL_*), empty when the shell cannot supply it.
std::string SpecialFolder(int csidl);

// Deletes a folder and everything below it; true when it is gone.
bool DeleteTree(const std::string& path);

// The folder that holds the running program (no trailing backslash).
std::string ProgramFolder();
