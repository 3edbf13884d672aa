// Makes the demo's sample PC in a Wine prefix: a few devices with installed drivers, and a few
// installed programs with version resources, reached through shortcuts in the Start menus and
// on the desktop.
#include "sample_pc.h"
#include "sample_pc_devices.h"
#include "shell_link.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

namespace {

struct Program {
    const char* sample;
    const char* installedAs;
    int folder;
    const char* shortcut;
};

const Program kPrograms[] = {
    {"acme_viewer", "C:\\Program Files\\Acme\\Viewer\\acmeview.exe", CSIDL_COMMON_STARTMENU,
     "Programs\\Acme\\Acme Viewer.lnk"},
    {"northwind_mail", "C:\\Program Files\\Northwind\\nwmail.exe", CSIDL_STARTMENU, "Programs\\Northwind Mail.lnk"},
    {"contoso_paint", "C:\\Program Files\\Contoso\\Paint\\cpaint.exe", CSIDL_DESKTOPDIRECTORY, "Contoso Paint.lnk"},
};

bool MakeFoldersFor(const std::string& filePath)
{
    for (size_t at = filePath.find('\\', 3); at != std::string::npos; at = filePath.find('\\', at + 1))
        CreateDirectoryA(filePath.substr(0, at).c_str(), nullptr);
    return true;
}

}  // namespace

// With --no-devices only the programs are installed (for tests that share the prefix).
int main(int argc, char** argv)
{
    bool withDevices = !(argc > 1 && std::string(argv[1]) == "--no-devices");
    if (FAILED(CoInitialize(nullptr)))
        return 1;
    int failures = 0;
    if (withDevices) {
        auto devices = InstallSamplePcDevices();
        std::printf("%zu device classes with sample hardware %s\n", devices.size(),
                    devices.empty() ? "FAILED" : "registered");
        failures += devices.empty();
        for (auto& device : devices)
            device->Keep();
    }
    for (const Program& p : kPrograms) {
        std::string link = SpecialFolder(p.folder) + "\\" + p.shortcut;
        bool ok = MakeFoldersFor(p.installedAs) &&
                  CopyFileA(SampleProgramPath(p.sample).c_str(), p.installedAs, FALSE) && MakeFoldersFor(link) &&
                  CreateShortcut(link, p.installedAs);
        std::printf("%-44s %s\n", link.substr(link.find_last_of('\\') + 1).c_str(), ok ? p.installedAs : "FAILED");
        failures += !ok;
    }
    CoUninitialize();
    return failures;
}
