#pragma once
// Reading the version resource block of an arbitrary program. The block comes from outside,
// so every offset is checked against the block and against the node that holds it.
#include <cstddef>
#include <string>

// Finds the name of the first string table ("040904B0") of the StringFileInfo child that
// comes first in the root; returns 0 and stores it in key, or 1 (key untouched) when the first
// child is not StringFileInfo, holds no table, or the block is malformed.
int FindVersionLanguage(const void* block, size_t blockSize, std::string& key);

// The 8-bit string that VerQueryValueA returned (pointer and length in characters) as text:
// cut at its first NUL and never read beyond the block. Empty when the pointer lies outside.
std::string BoundedVersionString(const void* block, size_t blockSize, const void* value, size_t length);
