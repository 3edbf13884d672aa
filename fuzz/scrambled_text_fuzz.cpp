// Stored credentials: whatever the registry holds is unscrambled without fault, and text that
// unscrambles comes back the same when scrambled again.
#include "scrambled_text.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string stored(reinterpret_cast<const char*>(data), size);
    std::string plain = UnscrambleText(stored, kCredentialKey);
    if (!plain.empty() && plain.size() * 2 != stored.size())
        __builtin_trap();
    UnscrambleText(stored, std::string());
    return 0;
}
