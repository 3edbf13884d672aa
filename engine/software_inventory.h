#pragma once
// The software pass: every shortcut under the user's Start menu, the user's desktop and the
// all-users Start menu whose target is an executable with a version resource becomes one item
// "SOFTWARE\<company>\<description>" with the target's FileVersion.
#include "scan_flavour.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class SoftwareInventory {
public:
    SoftwareInventory(std::atomic<int32_t>& progress, const std::atomic<uint8_t>& cancel, const ScanFlavour& flavour)
        : progress_(progress), cancel_(cancel), flavour_(flavour)
    {
    }

    // The inventory text of the pass; empty when nothing was found or the pass was cancelled
    // before its first item. The caller has COM initialised unless the flavour does it per shortcut.
    // Throws DigestFailure when an item's identity cannot be hashed (see InventoryOrMarker).
    std::string Run();

    // Depth-first walk: a folder's shortcuts in enumeration order, then each sub-folder whole.
    static void CollectShortcuts(const std::string& folder, bool directoriesPass, std::vector<std::string>& list);
    // The path of the file the shortcut starts (see ShortcutTarget), or empty.
    std::string ResolveShortcut(const std::string& shortcutPath) const;
    // 0 and the string in output when the file's version resource has it; 1 and output untouched otherwise.
    static int ReadVersionString(const std::string& filePath, const char* name, std::string& output);

private:
    struct TargetVersion {
        std::string company;
        std::string description;
        std::string version;
    };
    // False when the target has no version resource; strings not found stay empty.
    static bool ReadTargetVersion(const std::string& target, TargetVersion& strings);
    std::string ItemLineFor(const TargetVersion& strings) const;

    std::atomic<int32_t>& progress_;
    const std::atomic<uint8_t>& cancel_;
    ScanFlavour flavour_;
};
