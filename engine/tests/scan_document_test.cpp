// Whole documents on Windows: scan identifiers, the OS version code and the component's file copy.
#include "scan_document.h"
#include "shell_link.h"
#include "wine_app_version.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

namespace {

const char kFileCopy[] = "C:\\ScanXML.xml";
const char kInventory[] = "<ScanItem HWIDHASH=\"1\" CURRENTVERSION=\"2\" PLEVEL=\"N\" />\r\n";

std::string ReadFileText(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string text(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, &text[0], DWORD(text.size()), &read, nullptr);
    CloseHandle(file);
    return text;
}

std::string WithoutGuid(const std::string& document)
{
    return std::regex_replace(document, std::regex("<ScanGUID>[^<]*</ScanGUID>"), "<ScanGUID/>");
}

TEST(ScanDocument, IdentifiersAreFreshRegistryFormGuids)
{
    ScanDocument builder(kDesktopFlavour);
    builder.email = "a&b@example.com";
    std::string first = builder.BuildDocument(kInventory, 0);
    std::string second = builder.BuildDocument(kInventory, 0);
    std::regex guid("<ScanGUID>\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}</ScanGUID>");
    EXPECT_TRUE(std::regex_search(first, guid)) << first;
    EXPECT_NE(first, second);
    EXPECT_EQ(WithoutGuid(first), WithoutGuid(second));
    EXPECT_NE(first.find("<Email>a&b@example.com</Email>"), std::string::npos);
    EXPECT_EQ(first.substr(first.size() - 15), "</ScanInstance>");
}

TEST(ScanDocument, OnlyTheComponentWritesTheFileCopy)
{
    DeleteFileA(kFileCopy);
    ScanDocument(kDesktopFlavour).BuildDocument(kInventory, 0);
    EXPECT_EQ(GetFileAttributesA(kFileCopy), INVALID_FILE_ATTRIBUTES);

    std::string document = ScanDocument(kComponentFlavour).BuildDocument(kInventory, 5);
    EXPECT_EQ(ReadFileText(kFileCopy), document);
    std::string shorter = ScanDocument(kComponentFlavour).BuildDocument("", 5);
    EXPECT_EQ(ReadFileText(kFileCopy), shorter);  // an existing copy is truncated
    DeleteFileA(kFileCopy);
}

TEST(ScanDocument, ADocumentComesBackWhenTheCopyCannotBeWritten)
{
    DeleteFileA(kFileCopy);
    ASSERT_TRUE(CreateDirectoryA(kFileCopy, nullptr));  // a folder in the way of the file
    std::string document = ScanDocument(kComponentFlavour).BuildDocument(kInventory, 5);
    RemoveDirectoryA(kFileCopy);
    EXPECT_NE(document.find(kInventory), std::string::npos);
    EXPECT_NE(document.find("NumberOfDevices=\"5\""), std::string::npos);
}

// Runs the probe as Wine's given Windows version; returns its exit code.
DWORD ProbeOsVersionCodeAs(const char* version)
{
    WineAppVersion told("os_version_probe.exe", version);
    if (!told.Set())
        return DWORD(-1);
    std::string command = "\"" + ProgramFolder() + "\\os_version_probe.exe\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    DWORD exitCode = DWORD(-1);
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, 30000);
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return exitCode;
}

TEST(OsVersionCode, FollowsTheRunningWindowsVersion)
{
    struct Row {
        const char* wineVersion;
        DWORD code;
    } rows[] = {{"winxp", 4}, {"win2k", 2},   {"vista", 6}, {"win7", 6}, {"win10", 6},
                {"nt40", 3},  {"win95", 100}, {"win98", 8}, {"winme", 1}};
    // Windows 10 tells a program without a manifest that declares it version 6.2, as Windows 8.
    for (const Row& r : rows)
        EXPECT_EQ(ProbeOsVersionCodeAs(r.wineVersion), r.code) << r.wineVersion;
}

}  // namespace
