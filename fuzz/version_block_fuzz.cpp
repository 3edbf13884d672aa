// Version resources of arbitrary programs: the language walk over the whole block, and string
// reads whose pointer and length come from a resource (any offset, any length, even outside).
#include "version_block.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly the given size, so that any read past the block is caught.
    std::vector<uint8_t> block(data, data + size);
    std::string key;
    FindVersionLanguage(block.data(), block.size(), key);
    if (size >= 4) {
        // The first bytes choose where a value pointer lands and how long VerQueryValueA said it was.
        size_t at = (data[0] | data[1] << 8) % (size + 8);
        size_t length = data[2] | data[3] << 8;
        const uint8_t* value = block.data() + (at < size ? at : size);
        BoundedVersionString(block.data(), block.size(), value, length);
    }
    return 0;
}
