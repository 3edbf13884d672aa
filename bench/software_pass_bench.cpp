// The software pass against a bare loop that makes the same platform calls per shortcut and
// nothing else: 1,000 Start-menu shortcuts to 200 copies of the sample programs.
#include "com_ptr.h"
#include "sample_pc.h"
#include "scan_flavour.h"
#include "shell_link.h"
#include "side_by_side.h"
#include "software_inventory.h"
#include "unique_handle.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int kPrograms = 200;
const int kShortcuts = 1000;
const int kShortcutsPerGroup = 50;
const int kRounds = 3;
const char kProgramsFolder[] = "C:\\Korvala Bench Programs";
const char kMenuFolder[] = "Programs\\Korvala Bench";
const char* const kSamples[] = {"acme_viewer", "northwind_mail", "contoso_paint", "no_description", "var_first"};
const int kFolders[] = {CSIDL_STARTMENU, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_STARTMENU};
const char* const kQueries[] = {"\\StringFileInfo\\040904B0\\CompanyName",
                                "\\StringFileInfo\\040904B0\\FileDescription",
                                "\\StringFileInfo\\040904B0\\FileVersion"};

// The same two-pass folder walk as the pass: shortcuts of a folder, then its sub-folders.
void WalkShortcuts(const std::string& folder, bool directoriesPass, std::vector<std::string>& list)
{
    WIN32_FIND_DATAA found;
    UniqueFindHandle search(FindFirstFileA((folder + (directoriesPass ? "\\*.*" : "\\*.lnk")).c_str(), &found));
    if (search) {
        do {
            if (found.cFileName[0] == '.')
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                WalkShortcuts(folder + "\\" + found.cFileName, false, list);
            else if (!directoriesPass)
                list.push_back(folder + "\\" + found.cFileName);
        } while (FindNextFileA(search.Get(), &found));
    }
    if (!directoriesPass)
        WalkShortcuts(folder, true, list);
}

// Only the platform calls of the pass, in the same order, with one reused buffer.
size_t BareSoftwareLoop()
{
    std::vector<std::string> shortcuts;
    for (int folderId : kFolders) {
        char folder[MAX_PATH] = {};
        if (SHGetSpecialFolderPathA(nullptr, folder, folderId, FALSE) && folder[0])
            WalkShortcuts(folder, false, shortcuts);
    }
    static char block[64 * 1024];
    size_t found = 0;
    for (const std::string& shortcut : shortcuts) {
        ComPtr<IShellLinkA> link;
        ComPtr<IPersistFile> file;
        char target[MAX_PATH] = {};
        wchar_t wide[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, wide, MAX_PATH);
        if (FAILED(link.CreateInstance(CLSID_ShellLink)))
            continue;
        if (SUCCEEDED(link.QueryInterface(file))) {
            WIN32_FIND_DATAA data;
            if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(link->Resolve(nullptr, SLR_NO_UI)))
                link->GetPath(target, MAX_PATH, &data, SLGP_UNCPRIORITY);
        }

        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeA(target, &handle);
        if (size == 0 || size > sizeof block || !GetFileVersionInfoA(target, 0, size, block))
            continue;
        MultiByteToWideChar(CP_ACP, 0, target, -1, wide, MAX_PATH);
        for (const char* query : kQueries) {
            size = GetFileVersionInfoSizeW(wide, &handle);
            if (size == 0 || size > sizeof block || !GetFileVersionInfoW(wide, handle, size, block))
                continue;
            void* value = nullptr;
            UINT length = 0;
            VerQueryValueA(block, query, &value, &length);
        }
        ++found;
    }
    return found;
}

// The shortcuts and programs of the run; whatever a stopped earlier run left is cleared first.
bool FurnishPc(SamplePc& pc)
{
    DeleteTree(kProgramsFolder);
    DeleteTree(SpecialFolder(CSIDL_STARTMENU) + "\\" + kMenuFolder);
    std::vector<std::string> programs;
    for (int i = 0; i < kPrograms; ++i) {
        char path[MAX_PATH];
        (void)std::snprintf(path, sizeof path, "%s\\Vendor %03d\\program%03d.exe", kProgramsFolder, i, i);
        if (!pc.InstallProgram(kSamples[i % 5], path))
            return false;
        programs.push_back(path);
    }
    for (int i = 0; i < kShortcuts; ++i) {
        char link[MAX_PATH];
        (void)std::snprintf(link, sizeof link, "%s\\Group %02d\\Program %04d.lnk", kMenuFolder, i / kShortcutsPerGroup,
                            i);
        if (!pc.AddShortcut(CSIDL_STARTMENU, link, programs[i % kPrograms]))
            return false;
    }
    return true;
}

}  // namespace

int main()
{
    if (FAILED(CoInitialize(nullptr)))
        return 1;
    int status = 0;
    {
        SamplePc pc;
        if (!FurnishPc(pc)) {
            std::fprintf(stderr, "software_pass_bench: cannot lay out the programs and shortcuts\n");
            status = 1;
        } else {
            std::atomic<int32_t> progress{0};
            std::atomic<uint8_t> cancel{0};
            size_t items = 0, bareItems = 0;
            auto pass = [&] {
                std::string text = SoftwareInventory(progress, cancel, kComponentFlavour).Run();
                items = 0;
                for (size_t at = text.find("<ScanItem"); at != std::string::npos; at = text.find("<ScanItem", at + 1))
                    ++items;
            };
            auto bare = [&] { bareItems = BareSoftwareLoop(); };
            SideBySide timing = TimeSideBySide(kRounds, pass, bare);
            std::printf("software pass: %d shortcuts to %d programs, %zu items (bare loop found %zu), %d rounds\n",
                        kShortcuts, kPrograms, items, bareItems, kRounds);
            std::printf("  pass %.3f s, bare loop %.3f s (medians), %.3f ms per shortcut\n", timing.measured,
                        timing.baseline, timing.measured / kShortcuts * 1000);
            PrintRow("Software pass, 1,000 shortcuts to 200 programs: wall time / bare platform-call loop", "<= 1.10",
                     Fixed(timing.ratio, 3));
        }
    }
    CoUninitialize();
    return status;
}
