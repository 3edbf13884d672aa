#pragma once
// The offers one driver package makes: for each OS code asked, the ids that every Windows of
// that code would find in the models section it picks, with the driver it would get.
#include "inf_package.h"

#include <map>
#include <string>
#include <vector>

struct PackageOffer {
    std::string identity;  // the id in upper case
    std::string osCode;
    InfDriver driver;  // of the oldest version among the Windows of the code (each may pick another section)
};

struct PackageOffers {
    std::vector<PackageOffer> offers;
    std::map<std::string, size_t> unreachable;  // ids no device sends, by reason
    size_t notForAWholeCode = 0;                // ids some but not all Windows of every code asked would pick
};

PackageOffers OffersOfPackage(const InfPackage& package, Architecture architecture,
                              const std::vector<std::string>& codes);
