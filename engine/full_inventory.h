#pragma once
// The inventory text of a full scan: the device pass's lines (or "ERROR") followed directly
// by the software pass's lines, both advancing the same progress counter and stopping at the
// same cancel flag. The caller has COM initialised unless the flavour does it per shortcut.
#include "scan_flavour.h"

#include <atomic>
#include <cstdint>
#include <string>

std::string FullInventory(std::atomic<int32_t>& progress, const std::atomic<uint8_t>& cancel,
                          const ScanFlavour& flavour);
