// INF files of any driver package, as the driver import reads them for each architecture, and the
// offers each would make.
#include "inf_package.h"
#include "package_offers.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (Architecture architecture : {Architecture::X86, Architecture::Amd64}) {
        InfPackage package;
        InfFault fault;
        if (ReadInfPackage(bytes, architecture, package, fault))
            OffersOfPackage(package, architecture, KnownOsCodes());
    }
    return 0;
}
