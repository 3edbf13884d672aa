#include "package_offers.h"

#include "ansi_text.h"
#include "device_id_shape.h"
#include "version_number.h"

#include <set>

namespace {

using DriversById = std::map<std::string, const InfDriver*>;

bool IsOlder(const InfDriver& a, const InfDriver& b)
{
    return CompareVersions(ReadVersionNumbers(a.version).value_or(VersionNumbers()),
                           ReadVersionNumbers(b.version).value_or(VersionNumbers())) < 0;
}

// The ids a Windows finds in the models sections it picks, one of each manufacturer; an id
// listed more than once gives its newest driver.
DriversById DriversFor(const InfPackage& package, const WindowsProbe& windows)
{
    DriversById drivers;
    for (const InfManufacturer& manufacturer : package.manufacturers) {
        std::vector<const Decoration*> decorations;
        for (const InfModels& models : manufacturer.models)
            decorations.push_back(models.decorated ? &models.decoration : nullptr);
        const int picked = PickModelsSection(decorations, windows);
        if (picked < 0)
            continue;
        for (const InfDriver& driver : manufacturer.models[static_cast<size_t>(picked)].drivers) {
            const InfDriver*& known = drivers[AsciiUpper(driver.hardwareId)];
            if (!known || IsOlder(*known, driver))
                known = &driver;
        }
    }
    return drivers;
}

}  // namespace

PackageOffers OffersOfPackage(const InfPackage& package, Architecture architecture,
                              const std::vector<std::string>& codes)
{
    PackageOffers result;
    std::vector<Decoration> decorations;
    std::set<std::string> ids;
    for (const InfManufacturer& manufacturer : package.manufacturers) {
        for (const InfModels& models : manufacturer.models) {
            if (models.decorated)
                decorations.push_back(models.decoration);
            for (const InfDriver& driver : models.drivers)
                ids.insert(AsciiUpper(driver.hardwareId));
        }
    }
    std::set<std::string> offered;
    for (const std::string& code : codes) {
        const std::vector<WindowsProbe> windows = WindowsOfCode(code, architecture, decorations);
        if (windows.empty())
            continue;
        std::vector<DriversById> found;
        found.reserve(windows.size());
        for (const WindowsProbe& probe : windows)
            found.push_back(DriversFor(package, probe));
        for (const auto& [id, first] : found.front()) {
            if (UnreachableReason(id))
                continue;
            const InfDriver* oldest = first;
            bool everywhere = true;
            for (size_t i = 1; i < found.size() && everywhere; ++i) {
                auto other = found[i].find(id);
                everywhere = other != found[i].end();
                if (everywhere && IsOlder(*other->second, *oldest))
                    oldest = other->second;
            }
            if (everywhere) {
                result.offers.push_back({id, code, *oldest});
                offered.insert(id);
            }
        }
    }
    for (const std::string& id : ids) {
        if (const char* reason = UnreachableReason(id))
            ++result.unreachable[reason];
        else if (offered.count(id) == 0)
            ++result.notForAWholeCode;
    }
    return result;
}
