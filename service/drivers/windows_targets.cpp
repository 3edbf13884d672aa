#include "windows_targets.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <tuple>

namespace {

constexpr uint32_t kLastBuild = std::numeric_limits<uint32_t>::max();

struct WindowsRelease {
    const char* code;
    const char* name;
    uint32_t major;
    uint32_t minor;
    bool server;  // product types 2 (domain controller) and 3 (server); else 1 (workstation)
    uint32_t firstBuild;
    uint32_t lastBuild;
    bool x86;
    bool amd64;
};

const WindowsRelease kReleases[] = {
    {"2", "Windows 2000 Professional", 5, 0, false, 2195, 2195, true, false},
    {"2", "Windows 2000 Server", 5, 0, true, 2195, 2195, true, false},
    {"4", "Windows XP", 5, 1, false, 2600, 2600, true, false},
    {"4", "Windows XP Professional x64", 5, 2, false, 3790, 3790, false, true},
    {"4", "Windows Server 2003", 5, 2, true, 3790, 3790, true, true},
    {"6", "Windows Vista", 6, 0, false, 6000, 6002, true, true},
    {"6", "Windows Server 2008", 6, 0, true, 6001, 6003, true, true},
    {"6", "Windows 7", 6, 1, false, 7600, 7601, true, true},
    {"6", "Windows Server 2008 R2", 6, 1, true, 7600, 7601, false, true},
    {"6", "Windows 8", 6, 2, false, 9200, 9200, true, true},
    {"6", "Windows Server 2012", 6, 2, true, 9200, 9200, false, true},
    {"6", "Windows 8.1", 6, 3, false, 9600, 9600, true, true},
    {"6", "Windows Server 2012 R2", 6, 3, true, 9600, 9600, false, true},
    {"6", "Windows 10 (32-bit)", 10, 0, false, 10240, 19045, true, false},
    {"6", "Windows 10 and 11", 10, 0, false, 10240, kLastBuild, false, true},
    {"6", "Windows Server 2016 and later", 10, 0, true, 14393, kLastBuild, false, true},
};

bool ReadNumber(std::string_view text, uint32_t& value, int base = 10)
{
    if (base == 16 && (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X"))
        text.remove_prefix(2);
    auto [end, fault] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && fault == std::errc() && end == text.data() + text.size();
}

bool Fits(const Decoration& decoration, const WindowsProbe& windows)
{
    const char* architecture = windows.architecture == Architecture::X86 ? "x86" : "amd64";
    if (decoration.architecture.empty() ? windows.architecture != Architecture::X86
                                        : decoration.architecture != architecture)
        return false;
    if (decoration.hasVersion && std::tie(decoration.major, decoration.minor) > std::tie(windows.major, windows.minor))
        return false;
    // No Windows here is known by its suites: a section for some suites is not for every one.
    return (decoration.productType == 0 || decoration.productType == windows.productType) &&
           decoration.suiteMask == 0 && decoration.build <= windows.build;
}

// The more specific of two fitting decorations has the higher version, then the higher build,
// then names a product type, then an architecture.
auto Specificity(const Decoration& decoration)
{
    return std::make_tuple(decoration.hasVersion ? decoration.major : 0, decoration.hasVersion ? decoration.minor : 0,
                           decoration.build, decoration.productType != 0, !decoration.architecture.empty());
}

}  // namespace

bool ParseDecoration(std::string_view text, Decoration& decoration)
{
    decoration = Decoration();
    if (text.size() < 2 || (text[0] != 'n' && text[0] != 'N') || (text[1] != 't' && text[1] != 'T'))
        return false;
    text.remove_prefix(2);
    std::vector<std::string_view> parts;
    for (size_t dot = text.find('.');; dot = text.find('.')) {
        parts.push_back(text.substr(0, dot));
        if (dot == std::string_view::npos)
            break;
        text.remove_prefix(dot + 1);
    }
    if (parts.size() > 6)
        return false;
    for (char c : parts[0]) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return false;
        decoration.architecture += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    parts.resize(6);
    decoration.hasVersion = !parts[1].empty();
    return (parts[1].empty() || ReadNumber(parts[1], decoration.major)) &&
           (parts[2].empty() || (decoration.hasVersion && ReadNumber(parts[2], decoration.minor))) &&
           (parts[3].empty() || ReadNumber(parts[3], decoration.productType)) &&
           (parts[4].empty() || ReadNumber(parts[4], decoration.suiteMask, 16)) &&
           (parts[5].empty() || ReadNumber(parts[5], decoration.build));
}

std::vector<WindowsProbe> WindowsOfCode(std::string_view code, Architecture architecture,
                                        const std::vector<Decoration>& decorations)
{
    std::vector<WindowsProbe> probes;
    for (const WindowsRelease& release : kReleases) {
        if (code != release.code || !(architecture == Architecture::X86 ? release.x86 : release.amd64))
            continue;
        std::vector<uint32_t> builds = {release.firstBuild};
        for (const Decoration& decoration : decorations) {
            if (decoration.build > release.firstBuild && decoration.build <= release.lastBuild)
                builds.push_back(decoration.build);
        }
        std::sort(builds.begin(), builds.end());
        builds.erase(std::unique(builds.begin(), builds.end()), builds.end());
        for (uint32_t productType : release.server ? std::vector<uint32_t>{2, 3} : std::vector<uint32_t>{1}) {
            for (uint32_t build : builds) {
                probes.push_back({release.name, release.major, release.minor, productType, build, architecture,
                                  release.major > 5 || release.minor > 0});
            }
        }
    }
    return probes;
}

const std::vector<std::string>& KnownOsCodes()
{
    static const std::vector<std::string> codes = {"2", "4", "6"};
    return codes;
}

int PickModelsSection(const std::vector<const Decoration*>& decorations, const WindowsProbe& windows)
{
    int picked = -1;
    for (size_t i = 0; windows.readsDecorations && i < decorations.size(); ++i) {
        const Decoration* decoration = decorations[i];
        if (decoration && Fits(*decoration, windows) &&
            (picked < 0 || Specificity(*decoration) > Specificity(*decorations[static_cast<size_t>(picked)])))
            picked = static_cast<int>(i);
    }
    for (size_t i = 0; picked < 0 && i < decorations.size(); ++i) {
        if (!decorations[i] && windows.architecture == Architecture::X86)
            picked = static_cast<int>(i);
    }
    return picked;
}
