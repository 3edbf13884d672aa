#pragma once
// The file that a shortcut starts when its target is kept as environment strings
// ("%ProgramFiles%\Acme\viewer.exe"). The shell link object expands such a target in the
// reading process's own environment, and Wine's leaves it out altogether; a 32-bit process on
// 64-bit Windows would so be led to "C:\Program Files (x86)" where the 64-bit shell starts the
// program in "C:\Program Files".
#include <string>

// storedPath is what the shell link object gave for the shortcut at linkPath (empty for
// nothing). A target kept as environment strings replaces it when it is empty (expanded in this
// process's environment, as Windows' shell link object expands it) and always under WoW64
// (expanded as the 64-bit shell expands it). Otherwise storedPath is the target.
std::string ShortcutTarget(const std::string& linkPath, const std::string& storedPath);
