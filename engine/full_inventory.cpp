#include "full_inventory.h"

#include "device_inventory.h"
#include "software_inventory.h"

std::string FullInventory(std::atomic<int32_t>& progress, const std::atomic<uint8_t>& cancel,
                          const ScanFlavour& flavour)
{
    return InventoryOrMarker([&] {
        std::string text = DeviceInventory(progress, cancel, flavour).Run();
        return text + SoftwareInventory(progress, cancel, flavour).Run();
    });
}
