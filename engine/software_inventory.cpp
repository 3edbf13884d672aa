#include "software_inventory.h"

#include "com_ptr.h"
#include "com_scope.h"
#include "link_target.h"
#include "progress_pacer.h"
#include "scan_document.h"
#include "unique_handle.h"
#include "version_block.h"
#include "wide_text.h"
#include "wow64.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

namespace {

const int kSpecialFolders[] = {CSIDL_STARTMENU, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_STARTMENU};

bool IsDotEntry(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The target's whole version resource; empty when it has none.
std::vector<char> ReadVersionBlockA(const std::string& path)
{
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data()))
        block.clear();
    return block;
}

}  // namespace

std::string SoftwareInventory::Run()
{
    if (cancel_)
        return std::string();

    std::vector<std::string> shortcuts;
    for (int folderId : kSpecialFolders) {
        char folder[MAX_PATH] = {};
        if (SHGetSpecialFolderPathA(nullptr, folder, folderId, FALSE) && folder[0])
            CollectShortcuts(folder, false, shortcuts);
    }

    std::string text;
    ProgressPacer pacer(static_cast<int32_t>(shortcuts.size()));
    for (const std::string& shortcut : shortcuts) {
        if (cancel_)
            break;
        if (pacer.Advance())
            ++progress_;
        std::string target = ResolveShortcut(shortcut);
        if (target.find(".exe") == std::string::npos)
            continue;
        TargetVersion strings;
        if (ReadTargetVersion(target, strings))
            text += ItemLineFor(strings);
    }
    return text;
}

bool SoftwareInventory::ReadTargetVersion(const std::string& target, TargetVersion& strings)
{
    // The target's own file: under WoW64 a path in System32 then names the 64-bit folder, as for
    // the 64-bit shell that starts it. Only the version reads run in this scope.
    RedirectionOff redirectionOff;
    if (ReadVersionBlockA(target).empty())
        return false;
    ReadVersionString(target, "CompanyName", strings.company);
    ReadVersionString(target, "FileDescription", strings.description);
    ReadVersionString(target, "FileVersion", strings.version);
    return true;
}

std::string SoftwareInventory::ItemLineFor(const TargetVersion& strings) const
{
    ScanDocument item(flavour_);
    item.SetProperty(kHardwareIdKey, "SOFTWARE\\" + strings.company + "\\" + strings.description);
    item.SetProperty(kVersionIdKey, strings.version);
    if (flavour_.setsPermuteLevel)
        item.SetProperty(kPermuteLevelKey, "N");
    return item.FormatItemLine();
}

void SoftwareInventory::CollectShortcuts(const std::string& folder, bool directoriesPass,
                                         std::vector<std::string>& list)
{
    std::string pattern = folder + (directoriesPass ? "\\*.*" : "\\*.lnk");
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(FindFirstFileA(pattern.c_str(), &found));
    if (search) {
        do {
            if (IsDotEntry(found.cFileName))
                continue;
            std::string path = folder + "\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                // A directory link may lead back to an ancestor: such links are not followed.
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    CollectShortcuts(path, false, list);
            } else if (!directoriesPass) {
                list.push_back(path);
            }
        } while (FindNextFileA(search.Get(), &found));
    }
    // Sub-folders are walked whether or not the folder holds shortcuts of its own.
    if (!directoriesPass)
        CollectShortcuts(folder, true, list);
}

std::string SoftwareInventory::ResolveShortcut(const std::string& shortcutPath) const
{
    ComScope com(flavour_.comPerShortcut);
    ComPtr<IShellLinkA> link;
    if (FAILED(link.CreateInstance(CLSID_ShellLink)))
        return std::string();
    ComPtr<IPersistFile> file;
    if (FAILED(link.QueryInterface(file)) || !file)
        return std::string();
    char target[MAX_PATH] = {};
    std::wstring widePath = AnsiToWide(shortcutPath);
    if (SUCCEEDED(file->Load(widePath.c_str(), STGM_READ)) && SUCCEEDED(link->Resolve(nullptr, SLR_NO_UI))) {
        WIN32_FIND_DATAA findData;
        if (FAILED(link->GetPath(target, MAX_PATH, &findData, SLGP_UNCPRIORITY)))
            target[0] = '\0';
    }
    target[MAX_PATH - 1] = '\0';
    return ShortcutTarget(shortcutPath, target);
}

int SoftwareInventory::ReadVersionString(const std::string& filePath, const char* name, std::string& output)
{
    std::wstring widePath = AnsiToWide(filePath);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(widePath.c_str(), &handle);
    if (size == 0)
        return 1;
    std::vector<char> block(size);
    if (!GetFileVersionInfoW(widePath.c_str(), handle, size, block.data()))
        return 1;
    std::string language;
    FindVersionLanguage(block.data(), block.size(), language);
    std::string query = "\\StringFileInfo\\" + language + "\\" + name;
    if (query.size() > MAX_PATH - 1)
        query.resize(MAX_PATH - 1);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), query.c_str(), &value, &length))
        return 1;
    output = BoundedVersionString(block.data(), block.size(), value, length);
    return 0;
}
