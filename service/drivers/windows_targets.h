#pragma once
// Which Windows a models section of an INF file is for. A decoration of the [Manufacturer]
// section ("NTx86.5.1", "NTamd64.6.0", "NTx86...1") is a minimum: each Windows takes, for its own
// version and architecture, the most specific models section whose decoration does not exceed
// it, and the undecorated section when none fits (only on x86: 64-bit Windows needs the
// architecture named). Windows 2000 reads no decorations at all.
//
// A scan document tells only the OS code: "2" Windows 2000, "4" XP and Server 2003, "6" Vista and
// every later Windows. The Windows each code stands for are listed here, with their product types
// (workstation, domain controller, server) and builds, so that a section is known to be picked
// by every one of them or not.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class Architecture { X86, Amd64 };

struct Decoration {
    std::string architecture;  // lower case: "", "x86", "amd64", or another that no Windows here runs
    bool hasVersion = false;
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t productType = 0;  // 0: any
    uint32_t suiteMask = 0;    // 0: any
    uint32_t build = 0;        // 0: any
};

// Reads "NT[architecture][.major[.minor[.productType[.suiteMask[.build]]]]]" (no case).
bool ParseDecoration(std::string_view text, Decoration& decoration);

// One Windows as a models section is chosen for: release, product type, build, architecture.
struct WindowsProbe {
    const char* name;
    uint32_t major;
    uint32_t minor;
    uint32_t productType;
    uint32_t build;
    Architecture architecture;
    bool readsDecorations;
};

// The Windows that report the code on that architecture, each release at its first build and at
// every later build of its own that one of the decorations names (from there on it may choose
// differently). Empty for a code the table does not know.
std::vector<WindowsProbe> WindowsOfCode(std::string_view code, Architecture architecture,
                                        const std::vector<Decoration>& decorations);

// The OS codes the import knows, oldest first.
const std::vector<std::string>& KnownOsCodes();

// Which of a manufacturer's models sections a Windows picks: the index into decorations, where
// an undecorated section stands as nullptr; -1 for none.
int PickModelsSection(const std::vector<const Decoration*>& decorations, const WindowsProbe& windows);
