#include "inf_package.h"

#include "ansi_text.h"
#include "catalog_text.h"
#include "inf_file.h"
#include "inf_text.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace {

struct DriverVer {
    std::string version;
    std::string date;
};

std::optional<uint32_t> Number(std::string_view text, size_t minDigits, size_t maxDigits)
{
    uint32_t value = 0;
    auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (fault != std::errc() || end != text.data() + text.size() || text.size() < minDigits || text.size() > maxDigits)
        return std::nullopt;
    return value;
}

// "mm/dd/yyyy" (or with "-"), a real day; "YYYY-MM-DD", empty when it is not one.
std::string IsoDate(std::string_view text)
{
    size_t first = text.find_first_of("/-");
    size_t second = first == std::string_view::npos ? first : text.find_first_of("/-", first + 1);
    if (second == std::string_view::npos)
        return {};
    std::optional<uint32_t> month = Number(text.substr(0, first), 1, 2);
    std::optional<uint32_t> day = Number(text.substr(first + 1, second - first - 1), 1, 2);
    std::optional<uint32_t> year = Number(text.substr(second + 1), 4, 4);
    if (!month || !day || !year || !IsCalendarDate(*year, *month, *day))
        return {};
    auto twoDigits = [](uint32_t value) { return std::string(value < 10 ? "0" : "") + std::to_string(value); };
    return std::to_string(*year) + "-" + twoDigits(*month) + "-" + twoDigits(*day);
}

// "w.x.y.z": one to four numbers of 16 bits, not all zero.
bool IsDriverVersion(std::string_view text)
{
    bool nonZero = false;
    size_t parts = 0;
    for (size_t start = 0;; ++parts) {
        size_t dot = text.find('.', start);
        std::optional<uint32_t> part = Number(text.substr(start, dot - start), 1, 5);
        if (!part || *part > 0xFFFF || parts == 4)
            return false;
        nonZero = nonZero || *part != 0;
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    return nonZero;
}

bool ReadDriverVer(const InfFile& file, const InfLine& line, DriverVer& driverVer, InfFault& fault)
{
    std::string date, version;
    if (!file.Expand(line.values[0], line.number, date, fault) ||
        (line.values.size() > 1 && !file.Expand(line.values[1], line.number, version, fault)))
        return false;
    driverVer.date = IsoDate(date);
    if (driverVer.date.empty()) {
        fault = {line.number, "DriverVer needs a date mm/dd/yyyy, found \"" + date + "\""};
        return false;
    }
    if (version.empty()) {
        fault = {line.number, "DriverVer has no driver version"};
        return false;
    }
    if (!IsDriverVersion(version)) {
        fault = {line.number, "DriverVer's version is not w.x.y.z (0.0.0.0 is none): \"" + version + "\""};
        return false;
    }
    driverVer.version = version;
    return true;
}

class PackageReader {
public:
    PackageReader(const InfFile& file, Architecture architecture) : file_(file), architecture_(architecture) {}

    bool Read(InfPackage& package, InfFault& fault)
    {
        return ReadVersion(package, fault) && ReadManufacturers(package, fault);
    }

private:
    bool ReadVersion(InfPackage& package, InfFault& fault)
    {
        if (!file_.Section("Version")) {
            fault = {0, "no [Version] section"};
            return false;
        }
        const InfLine* signature = file_.Find("Version", "Signature");
        const std::string text = signature ? AsciiLower(signature->value) : std::string();
        if (text != "$windows nt$" && text != "$chicago$") {
            fault = {signature ? signature->number : 0, "the signature is not $Windows NT$ or $Chicago$"};
            return false;
        }
        if (const InfLine* provider = file_.Find("Version", "Provider");
            provider && !file_.Expand(provider->value, provider->number, package.provider, fault))
            return false;
        const InfLine* driverVer = file_.Find("Version", "DriverVer");
        if (driverVer && !ReadDriverVer(file_, *driverVer, driverVer_.emplace(), fault))
            return false;
        return true;
    }

    bool ReadManufacturers(InfPackage& package, InfFault& fault)
    {
        const std::vector<InfLine>* lines = file_.Section("Manufacturer");
        if (!lines) {
            fault = {0, "no [Manufacturer] section: the file installs no device"};
            return false;
        }
        for (const InfLine& line : *lines) {
            if (line.hasKey) {
                InfManufacturer& manufacturer = package.manufacturers.emplace_back();
                std::vector<std::string> decorations(line.values.begin() + 1, line.values.end());
                if (!file_.Expand(line.key, line.number, manufacturer.name, fault) ||
                    !ReadModels(line, line.values[0], decorations, manufacturer, fault))
                    return false;
                continue;
            }
            // The older form: each manufacturer's name is also its models section's.
            for (const std::string& value : line.values) {
                if (value.empty())
                    continue;  // trailing commas
                InfManufacturer& manufacturer = package.manufacturers.emplace_back();
                if (!file_.Expand(value, line.number, manufacturer.name, fault) ||
                    !ReadModels(line, value, {}, manufacturer, fault))
                    return false;
            }
        }
        return true;
    }

    bool ReadModels(const InfLine& line, const std::string& baseText, const std::vector<std::string>& decorations,
                    InfManufacturer& manufacturer, InfFault& fault)
    {
        std::string base;
        if (!file_.Expand(baseText, line.number, base, fault))
            return false;
        if (base.empty()) {
            fault = {line.number, "a manufacturer without its models section"};
            return false;
        }
        bool decorated = false;
        for (const std::string& text : decorations) {
            if (text.empty())
                continue;  // trailing commas
            decorated = true;
            InfModels& models = manufacturer.models.emplace_back();
            models.decorated = true;
            if (!ParseDecoration(text, models.decoration)) {
                fault = {line.number, "cannot read the decoration " + text};
                return false;
            }
            if (!ReadDevices(line, base + "." + text, models, fault))
                return false;
        }
        // The undecorated section is optional once decorated ones are named.
        if (!decorated || file_.Section(base)) {
            InfModels& models = manufacturer.models.emplace_back();
            if (!ReadDevices(line, base, models, fault))
                return false;
        }
        return true;
    }

    bool ReadDevices(const InfLine& manufacturerLine, const std::string& section, InfModels& models, InfFault& fault)
    {
        const std::vector<InfLine>* lines = file_.Section(section);
        if (!lines) {
            fault = {manufacturerLine.number,
                     "[Manufacturer] names the models section [" + section + "], which is not there"};
            return false;
        }
        for (const InfLine& line : *lines) {
            if (!line.hasKey || line.values[0].empty()) {
                fault = {line.number, "not a models line (description = install-section, hardware-id, ...)"};
                return false;
            }
            InfDriver driver;
            std::string install;
            if (!file_.Expand(line.key, line.number, driver.description, fault) ||
                !file_.Expand(line.values[0], line.number, install, fault) ||
                !DriverVerOf(install, line.number, driver, fault))
                return false;
            for (size_t i = 1; i < line.values.size(); ++i) {
                if (!file_.Expand(line.values[i], line.number, driver.hardwareId, fault))
                    return false;
                if (!driver.hardwareId.empty())
                    models.drivers.push_back(driver);
            }
        }
        return true;
    }

    // The DriverVer of the install section Windows takes for the architecture (install.NTx86,
    // install.NT, install), else [Version]'s.
    bool DriverVerOf(const std::string& install, size_t line, InfDriver& driver, InfFault& fault)
    {
        const std::string suffixes[] = {architecture_ == Architecture::X86 ? ".NTx86" : ".NTamd64", ".NT", ""};
        for (const std::string& suffix : suffixes) {
            if (!file_.Section(install + suffix))
                continue;
            if (const InfLine* own = file_.Find(install + suffix, "DriverVer")) {
                DriverVer driverVer;
                if (!ReadDriverVer(file_, *own, driverVer, fault))
                    return false;
                driver.version = driverVer.version;
                driver.date = driverVer.date;
                return true;
            }
            break;
        }
        if (!driverVer_) {
            fault = {line, "no DriverVer in [Version] or in the install section " + install};
            return false;
        }
        driver.version = driverVer_->version;
        driver.date = driverVer_->date;
        return true;
    }

    const InfFile& file_;
    const Architecture architecture_;
    std::optional<DriverVer> driverVer_;
};

}  // namespace

bool ReadInfPackage(std::string_view bytes, Architecture architecture, InfPackage& package, InfFault& fault)
{
    package = InfPackage();
    std::string text;
    InfFile file;
    return DecodeInfText(bytes, text, fault) && InfFile::Parse(text, file, fault) &&
           PackageReader(file, architecture).Read(package, fault);
}
