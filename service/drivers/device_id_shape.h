#pragma once
// Which ids of an INF file a scan document can name. A device sends its first hardware id whole,
// and when it has "&SUBSYS_" its cuts: before "&REV_", 13 characters after the start of
// "&SUBSYS_", before "&SUBSYS_"; all in upper case (AsciiUpper). An id of another shape matches
// no device.
#include <string_view>

// Why no device sends this (upper-case) id; nullptr when one may.
const char* UnreachableReason(std::string_view id);
