// Registration through the system's regsvr32, as an installer would: the keys written, written
// again, and removed. Checked through the registry API.
#include "kvobject_library.h"
#include "shell_link.h"

#include <gtest/gtest.h>

namespace {

const char kClassKey[] = "CLSID\\{C017CD5E-ECA0-42A8-A064-15897A7ACA9A}";
const char kClassId[] = "{C017CD5E-ECA0-42A8-A064-15897A7ACA9A}";
const char kTypeLibKey[] = "TypeLib\\{8E62C4E5-ACB2-4173-BF6D-E08F52F7BB9E}";
const char kInterfaceKey[] = "Interface\\{2751548B-5BDB-487E-B341-972AD32D4FA0}";
const char kScriptingCategory[] = "\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}";
const char kInitializingCategory[] = "\\Implemented Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}";

bool KeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The string value, or "<none>" when the key or value is missing.
std::string Value(const std::string& path, const char* name = nullptr)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<none>";
    char data[1024] = {};
    DWORD size = sizeof data - 1, type = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? std::string(data) : "<none>";
}

DWORD RunRegsvr32(const std::string& arguments)
{
    std::string command = "regsvr32.exe /s " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError() | 0x80000000u;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFFFFFFu;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

std::string ShortPath(const std::string& path)
{
    char shortName[MAX_PATH] = {};
    DWORD length = GetShortPathNameA(path.c_str(), shortName, MAX_PATH);
    return std::string(shortName, length < MAX_PATH ? length : 0);
}

void ExpectRegistered(const std::string& dllPath)
{
    const std::string classKey = kClassKey;
    struct Expected {
        std::string key;
        const char* name;
        std::string value;
    } const values[] = {
        {"KVObject.KVEngine.1", nullptr, "KVEngine Class"},
        {"KVObject.KVEngine.1\\CLSID", nullptr, kClassId},
        {"KVObject.KVEngine", nullptr, "KVEngine Class"},
        {"KVObject.KVEngine\\CLSID", nullptr, kClassId},
        {"KVObject.KVEngine\\CurVer", nullptr, "KVObject.KVEngine.1"},
        {classKey, nullptr, "KVEngine Class"},
        {classKey + "\\ProgID", nullptr, "KVObject.KVEngine.1"},
        {classKey + "\\VersionIndependentProgID", nullptr, "KVObject.KVEngine"},
        {classKey + "\\InprocServer32", nullptr, ShortPath(dllPath)},
        {classKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {classKey + "\\TypeLib", nullptr, "{8E62C4E5-ACB2-4173-BF6D-E08F52F7BB9E}"},
        {std::string(kTypeLibKey) + "\\1.0", nullptr, "Korvala Scan Engine Object version 1.0"},
        {std::string(kTypeLibKey) + "\\1.0\\409\\win32", nullptr, dllPath},
        {kInterfaceKey, nullptr, "IKVEngine"},
    };
    for (const Expected& e : values)
        EXPECT_EQ(Value(e.key, e.name), e.value) << e.key << " " << (e.name ? e.name : "(default)");
    for (const std::string& key :
         {classKey + "\\Programmable", classKey + kScriptingCategory, classKey + kInitializingCategory})
        EXPECT_TRUE(KeyExists(key)) << key;
}

void ExpectUnregistered()
{
    for (const std::string& key : {std::string("KVObject.KVEngine.1"), std::string("KVObject.KVEngine"),
                                   std::string(kClassKey), std::string(kTypeLibKey), std::string(kInterfaceKey)})
        EXPECT_FALSE(KeyExists(key)) << key;
    EXPECT_TRUE(KeyExists("CLSID"));
}

TEST(Registration, RegisterTwiceThenRemove)
{
    KVObjectLibrary library;
    const std::string dll = library.Path();
    ASSERT_EQ(RunRegsvr32("\"" + dll + "\""), 0u);
    ExpectRegistered(dll);

    // A leftover below the class key goes: the key is rebuilt from scratch each time.
    HKEY stale = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, (std::string(kClassKey) + "\\Stale").c_str(), &stale), ERROR_SUCCESS);
    RegCloseKey(stale);
    ASSERT_EQ(RunRegsvr32("\"" + dll + "\""), 0u);
    ExpectRegistered(dll);
    EXPECT_FALSE(KeyExists(std::string(kClassKey) + "\\Stale"));

    ASSERT_EQ(RunRegsvr32("/u \"" + dll + "\""), 0u);
    ExpectUnregistered();
    // Removing what is not there is no failure.
    EXPECT_EQ(RunRegsvr32("/u \"" + dll + "\""), 0u);
}

TEST(Registration, FolderNameWithQuoteAndSpaces)
{
    KVObjectLibrary library;
    const std::string folder = "C:\\KVObject's test folder";
    const std::string copy = folder + "\\KVObject.dll";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(library.Path().c_str(), copy.c_str(), FALSE));

    ASSERT_EQ(RunRegsvr32("\"" + copy + "\""), 0u);
    EXPECT_EQ(Value(std::string(kClassKey) + "\\InprocServer32"), ShortPath(copy));
    EXPECT_EQ(RunRegsvr32("/u \"" + copy + "\""), 0u);
    ExpectUnregistered();
    DeleteTree(folder);
}

}  // namespace
