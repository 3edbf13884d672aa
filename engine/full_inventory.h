#pragma once
// The inventory text of a full scan: the device pass's lines (or "ERROR") followed directly
// by the software pass's lines, both advancing the same progress counter and stopping at the
// same cancel flag. The caller has COM initialised unless the flavour does it per shortcut. A
// digest that cannot be made fails the whole scan: its text is then kUnidentifiedInventory.
#include "md5_digest.h"
#include "scan_flavour.h"

#include <atomic>
#include <cstdint>
#include <string>

// The whole inventory text of a scan whose items could not be identified: without a digest no
// item line can be written. The same marker as for an unreadable device list, so that a reader
// of the document sees a scan that could not read the machine, never an empty, clean one.
inline constexpr char kUnidentifiedInventory[] = "ERROR";

// The text that scan returns, or kUnidentifiedInventory when a digest could not be made on the way.
template <class Scan>
std::string InventoryOrMarker(Scan&& scan)
{
    try {
        return scan();
    } catch (const DigestFailure&) {
        return kUnidentifiedInventory;
    }
}

std::string FullInventory(std::atomic<int32_t>& progress, const std::atomic<uint8_t>& cancel,
                          const ScanFlavour& flavour);
