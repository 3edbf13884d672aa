#pragma once
// Writing a whole text to a file or pipe.
#include <string_view>

// Writes all of text to descriptor, going on after interrupted and partial writes; false when a
// write fails (errno tells why).
bool WriteAll(int descriptor, std::string_view text);
