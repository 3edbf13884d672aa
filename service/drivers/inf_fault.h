#pragma once
// Why an INF file cannot be read honestly, and where.
#include <cstddef>
#include <string>

struct InfFault {
    size_t line = 0;  // of the file, from 1; 0 when the fault is the whole file's
    std::string reason;
};

// "line N: reason", or the reason alone for a fault of the whole file.
inline std::string Describe(const InfFault& fault)
{
    return fault.line ? "line " + std::to_string(fault.line) + ": " + fault.reason : fault.reason;
}
