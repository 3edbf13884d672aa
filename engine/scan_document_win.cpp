#include "scan_document.h"

#include "scan_document_layout.h"
#include "unique_handle.h"

#include <windows.h>
#include <objbase.h>

namespace {

constexpr char kFileCopyPath[] = "C:\\ScanXML.xml";

// Best effort: the caller gets its document whether or not the copy could be written.
void WriteFileCopy(const std::string& document)
{
    UniqueFileHandle file(
        CreateFileA(kFileCopyPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    DWORD written = 0;
    WriteFile(file.Get(), document.data(), static_cast<DWORD>(document.size()), &written, nullptr);
}

}  // namespace

std::string ScanDocument::OsVersionCode()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return std::string();
    return OsVersionCodeFor(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
}

std::string ScanDocument::NewScanGuid()
{
    GUID guid{};
    wchar_t wide[39] = {};
    char narrow[39] = {};
    if (FAILED(CoCreateGuid(&guid)) || StringFromGUID2(guid, wide, 39) == 0)
        return std::string();
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

std::string ScanDocument::BuildDocument(const std::string& inventoryText, int32_t deviceCount) const
{
    std::string document =
        AssembleDocument({NewScanGuid(), OsVersionCode(), email, password}, inventoryText, deviceCount);
    if (flavour_.writesFileCopy)
        WriteFileCopy(document);
    return document;
}
