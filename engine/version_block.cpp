#include "version_block.h"

#include <cstdint>

namespace {

size_t Align4(size_t n)
{
    return (n + 3) & ~size_t(3);
}

uint16_t ReadU16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

// Reads the NUL-terminated UTF-16 name at [at, end); false when it is not terminated there.
bool ReadName(const uint8_t* base, size_t at, size_t end, std::u16string& name)
{
    name.clear();
    for (size_t i = at; i + 2 <= end; i += 2) {
        char16_t c = ReadU16(base + i);
        if (c == 0)
            return true;
        name += c;
    }
    return false;
}

}  // namespace

int FindVersionLanguage(const void* block, size_t blockSize, std::string& key)
{
    const auto* base = static_cast<const uint8_t*>(block);
    if (!base || blockSize < 6)
        return 1;
    size_t rootEnd = ReadU16(base);
    if (rootEnd > blockSize)
        rootEnd = blockSize;
    std::u16string name;
    if (!ReadName(base, 6, rootEnd, name))
        return 1;
    size_t child = Align4(6 + 2 * (name.size() + 1)) + Align4(ReadU16(base + 2));
    while (child + 6 <= rootEnd) {
        size_t childLength = ReadU16(base + child);
        size_t childEnd = child + childLength;
        // A zero length would never advance; a length past the root is not a child of it.
        if (childLength == 0 || childEnd > rootEnd)
            return 1;
        if (!ReadName(base, child + 6, childEnd, name) || name != u"StringFileInfo")
            return 1;
        size_t table = child + Align4(6 + 2 * (14 + 1));
        if (table < childEnd) {
            std::u16string language;
            if (!ReadName(base, table + 6, childEnd, language))
                return 1;
            key.clear();
            for (char16_t c : language)
                key += c < 0x80 ? char(c) : '?';
            return 0;
        }
        child += Align4(childLength);
    }
    return 1;
}

std::string BoundedVersionString(const void* block, size_t blockSize, const void* value, size_t length)
{
    auto begin = reinterpret_cast<uintptr_t>(block);
    auto at = reinterpret_cast<uintptr_t>(value);
    if (!block || !value || at < begin || at - begin >= blockSize)
        return std::string();
    const auto* text = static_cast<const char*>(value);
    size_t available = blockSize - (at - begin);
    size_t limit = length < available ? length : available;
    size_t n = 0;
    while (n < limit && text[n] != '\0')
        ++n;
    return std::string(text, n);
}
