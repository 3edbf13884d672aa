#pragma once
// Reading a shortcut (.lnk) file's target kept as environment strings, such as
// "%ProgramFiles%\Acme\viewer.exe": the environment-variable data block that the shell writes
// for such targets. The file comes from outside, so every size is checked against the file.
#include <string>
#include <string_view>

struct ExpandableTarget {
    std::string ansi;        // the block's 8-bit copy of the target
    std::u16string unicode;  // its UTF-16 copy; empty in blocks that only carry the 8-bit one
};

// True and the block's target when the link file says it has one (its header's HasExpString
// flag) and carries the block; false for any other or malformed file.
bool ReadExpandableTarget(std::string_view linkFile, ExpandableTarget& target);

// The target with %ProgramFiles% and %CommonProgramFiles% (any case) renamed to the variables
// that name the 64-bit folders in every process on 64-bit Windows, %ProgramW6432% and
// %CommonProgramW6432%: expanded, it names the file that the 64-bit shell would start.
std::u16string WithSixtyFourBitFolders(const std::u16string& target);
