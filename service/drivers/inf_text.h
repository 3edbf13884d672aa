#pragma once
// The characters of an INF file as Windows reads them: UTF-16LE after a byte-order mark, else
// ANSI text of code page 1252. A Ctrl-Z ends the text. The result is UTF-8.
#include "inf_fault.h"

#include <string>
#include <string_view>

// false and the fault for text Windows would not read as written: UTF-16 without a byte-order
// mark or big-endian, UTF-8 with a byte-order mark, NUL characters, broken surrogate pairs.
bool DecodeInfText(std::string_view bytes, std::string& utf8, InfFault& fault);
