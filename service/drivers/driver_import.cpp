#include "driver_import.h"

#include "inf_package.h"
#include "package_offers.h"
#include "version_number.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <tuple>

namespace {

namespace fs = std::filesystem;

// Larger files are no INF files, and would only cost memory.
constexpr std::uintmax_t kLargestInf = std::uintmax_t{16} << 20;

std::string PercentEncoded(const std::string& path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    return encoded;
}

std::string PackageAddress(std::string base, const fs::path& relativeFolder)
{
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    const std::string folder = relativeFolder.generic_string();
    return base + "/" + (folder.empty() || folder == "." ? std::string() : PercentEncoded(folder) + "/");
}

std::string OfferName(const InfDriver& driver, const std::string& provider)
{
    const std::string& description = driver.description.empty() ? driver.hardwareId : driver.description;
    return provider.empty() ? description : description + " (" + provider + ")";
}

bool IsInfFile(const fs::directory_entry& entry)
{
    std::error_code ignored;
    std::string extension = entry.path().extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".inf" && entry.is_regular_file(ignored);
}

// The .inf files under the folder in a fixed order; unreadable folders go to refused.
std::vector<fs::path> InfFilesUnder(const fs::path& folder, std::vector<std::string>& refused)
{
    std::vector<fs::path> files;
    std::error_code error;
    fs::recursive_directory_iterator walk(folder, error), end;
    for (; !error && walk != end; walk.increment(error)) {
        if (IsInfFile(*walk))
            files.push_back(walk->path());
    }
    if (error)
        refused.push_back(folder.string() + ": cannot read the folder: " + error.message());
    std::sort(files.begin(), files.end());
    return files;
}

bool ReadFile(const fs::path& path, std::string& bytes, std::string& error)
{
    std::error_code sizeError;
    const std::uintmax_t size = fs::file_size(path, sizeError);
    if (sizeError || size > kLargestInf) {
        error = sizeError ? "cannot read it: " + sizeError.message() : "larger than 16 MiB: not an INF file";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
        error = "cannot read it";
        return false;
    }
    return true;
}

// The order in which entries replace one another: version, then date.
auto Rank(const CatalogEntry& entry)
{
    return std::make_tuple(ReadVersionNumbers(entry.version).value_or(VersionNumbers()), entry.date);
}

}  // namespace

DriverImport ReadDriverPackages(const DriverImportSettings& settings)
{
    DriverImport import;
    std::map<std::pair<std::string, std::string>, CatalogEntry> best;  // by identity and code
    std::set<fs::path> packages;
    const fs::path root(settings.folder);
    for (const fs::path& path : InfFilesUnder(root, import.refused)) {
        ++import.infFiles;
        const std::string shown = path.lexically_relative(root).generic_string();
        std::string bytes, error;
        InfPackage package;
        InfFault fault;
        if (!ReadFile(path, bytes, error)) {
            import.refused.push_back(shown + ": " + error);
            continue;
        }
        if (!ReadInfPackage(bytes, settings.architecture, package, fault)) {
            import.refused.push_back(shown + ": " + Describe(fault));
            continue;
        }
        ++import.infRead;
        const fs::path folder = path.parent_path().lexically_relative(root);
        packages.insert(folder);
        PackageOffers offers = OffersOfPackage(package, settings.architecture, settings.codes);
        for (const auto& [reason, count] : offers.unreachable)
            import.unreachable[reason] += count;
        import.notForAWholeCode += offers.notForAWholeCode;
        for (PackageOffer& offer : offers.offers) {
            CatalogEntry entry{offer.identity,       OfferName(offer.driver, package.provider),
                               offer.driver.version, PackageAddress(settings.downloadBase, folder),
                               offer.osCode,         offer.driver.date};
            auto [known, added] = best.try_emplace({offer.identity, offer.osCode}, entry);
            if (!added && Rank(known->second) < Rank(entry))
                known->second = std::move(entry);
        }
    }
    import.packages = packages.size();
    import.entries.reserve(best.size());
    for (auto& [key, entry] : best) {
        ++import.entriesPerCode[entry.osCode];
        import.entries.push_back(std::move(entry));
    }
    return import;
}

std::string DescribeDriverImport(const DriverImport& import)
{
    std::string text = "INF files read: " + std::to_string(import.infRead) + " of " + std::to_string(import.infFiles) +
                       ", in " + std::to_string(import.packages) + " packages\n";
    for (const auto& [code, count] : import.entriesPerCode)
        text += "entries for OS code " + code + ": " + std::to_string(count) + "\n";
    if (import.entries.empty())
        text += "entries: none\n";
    for (const auto& [reason, count] : import.unreachable)
        text += "ids skipped, no device sends them: " + reason + ": " + std::to_string(count) + "\n";
    if (import.notForAWholeCode > 0)
        text += "ids skipped, not for every Windows of any OS code asked: " + std::to_string(import.notForAWholeCode) +
                "\n";
    for (const std::string& refusal : import.refused)
        text += "refused: " + refusal + "\n";
    return text;
}
