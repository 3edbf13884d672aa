// Shortcut files of any origin: the environment-strings target and the renaming of its folder
// variables.
#include "link_file.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly the given size, so that any read past the file is caught.
    std::string file(reinterpret_cast<const char*>(data), size);
    ExpandableTarget target;
    if (ReadExpandableTarget(file, target))
        WithSixtyFourBitFolders(target.unicode);
    return 0;
}
