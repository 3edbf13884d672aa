#pragma once
// Shortcut files byte by byte, as the shell writes them: for the tests of the link file reader
// and for shortcuts whose target is kept as environment strings only, which Wine's shell link
// object cannot make.
#include <cstdint>
#include <string>
#include <vector>

namespace link_file {

constexpr uint32_t kHasTargetIdList = 0x1;
constexpr uint32_t kHasLinkInfo = 0x2;
constexpr uint32_t kHasName = 0x4;
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kHasExpString = 0x200;

inline std::string U16(uint32_t value)
{
    return {char(value & 0xFF), char(value >> 8 & 0xFF)};
}

inline std::string U32(uint32_t value)
{
    return U16(value & 0xFFFF) + U16(value >> 16);
}

// The 0x4C-byte header with the shell link class id and the given flags.
inline std::string Header(uint32_t flags)
{
    std::string header =
        U32(0x4C) + std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
    header += U32(flags);
    header.resize(0x4C, '\0');
    header[0x3C] = 1;  // show normal
    return header;
}

// The environment-variable data block: 260 bytes of 8-bit text, 260 UTF-16 units, both zero-padded.
inline std::string EnvironmentBlock(const std::string& ansi, const std::u16string& unicode)
{
    std::string block = U32(0x314) + U32(0xA0000001) + ansi;
    block.resize(8 + 260, '\0');
    for (char16_t c : unicode)
        block += U16(c);
    block.resize(0x314, '\0');
    return block;
}

// Header, the sections that the flags announce (given as bytes), the extra data blocks and
// the terminal block.
inline std::string LinkFile(uint32_t flags, const std::string& sections, const std::vector<std::string>& blocks)
{
    std::string file = Header(flags) + sections;
    for (const std::string& block : blocks)
        file += block;
    return file + U32(0);
}

// A link whose only target is kept as environment strings, in both of the block's copies.
inline std::string ExpandableOnly(const std::string& target)
{
    return LinkFile(kHasExpString | kIsUnicode, "",
                    {EnvironmentBlock(target, std::u16string(target.begin(), target.end()))});
}

}  // namespace link_file
