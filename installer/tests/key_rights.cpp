// Prints the access list of a key under HKEY_LOCAL_MACHINE, one entry a line:
//   allow|deny|other <SID> 0x<rights, 8 hex digits> explicit|inherited
// Usage: key_rights "Software\Korvala". Exit code 0, 1 when the key or its list can't be read,
// 2 on wrong arguments. Wine keeps a key's access list only while its wineserver runs: run this
// while the server that saw the list being set still runs.
#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <vector>

namespace {

const char* Kind(BYTE aceType)
{
    if (aceType == ACCESS_ALLOWED_ACE_TYPE) {
        return "allow";
    }
    return aceType == ACCESS_DENIED_ACE_TYPE ? "deny" : "other";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: key_rights \"Software\\Key\"\n");
        return 2;
    }
    HKEY key;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, argv[1], 0, READ_CONTROL, &key) != ERROR_SUCCESS) {
        std::printf("cannot open HKLM\\%s\n", argv[1]);
        return 1;
    }
    DWORD size = 0;
    ::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> descriptor(size);
    const bool read =
        size > 0 && ::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!read || !::GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted)) {
        std::printf("cannot read the access list\n");
        return 1;
    }
    if (!present || !dacl) {
        std::printf("no access list: everyone has every right\n");
        return 0;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!::GetAce(dacl, i, &entry)) {
            continue;
        }
        // Allowed and denied entries share this layout: header, rights, SID.
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        char* sid = nullptr;
        if (!::ConvertSidToStringSidA(const_cast<DWORD*>(&ace->SidStart), &sid)) {
            continue;
        }
        std::printf("%s %s 0x%08lx %s\n", Kind(ace->Header.AceType), sid, static_cast<unsigned long>(ace->Mask),
                    (ace->Header.AceFlags & INHERITED_ACE) ? "inherited" : "explicit");
        ::LocalFree(sid);
    }
    return 0;
}
