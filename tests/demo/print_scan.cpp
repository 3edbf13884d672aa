// Runs the desktop program's full inventory (devices, then software) on this PC and prints the
// scan document it makes.
#include "full_inventory.h"
#include "scan_document.h"

#include <objbase.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

int main()
{
    if (FAILED(CoInitialize(nullptr)))
        return 1;
    std::atomic<int32_t> progress{0};
    std::atomic<uint8_t> cancel{0};
    std::string inventory = FullInventory(progress, cancel, kDesktopFlavour);
    std::string document = ScanDocument(kDesktopFlavour).BuildDocument(inventory, 0);
    // The document's CR LF pairs go out as they are, not widened by text-mode output.
    _setmode(_fileno(stdout), _O_BINARY);
    std::fwrite(document.data(), 1, document.size(), stdout);
    CoUninitialize();
    return 0;
}
