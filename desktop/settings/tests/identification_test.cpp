// The stored identification under HKEY_LOCAL_MACHINE "Software\Korvala" in the test prefix.
#include "identification.h"
#include "registry_rights.h"
#include "scrambled_text.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

const char kKey[] = "Software\\Korvala";

class IdentificationTest : public testing::Test {
protected:
    void SetUp() override { SHDeleteKeyA(HKEY_LOCAL_MACHINE, kKey); }
    void TearDown() override { SHDeleteKeyA(HKEY_LOCAL_MACHINE, kKey); }

    static void CreateKey()
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static void PutRaw(const char* name, DWORD type, const void* data, DWORD size)
    {
        ASSERT_EQ(SHSetValueA(HKEY_LOCAL_MACHINE, kKey, name, type, data, size), ERROR_SUCCESS);
    }
    static std::vector<BYTE> GetRaw(const char* root, const char* name, DWORD& type)
    {
        std::vector<BYTE> data(512);
        DWORD size = static_cast<DWORD>(data.size());
        if (SHGetValueA(HKEY_LOCAL_MACHINE, root, name, &type, data.data(), &size) != ERROR_SUCCESS)
            size = 0;
        data.resize(size);
        return data;
    }
};

TEST_F(IdentificationTest, MissingKeyReadsAsGuestAndIsNeverCreated)
{
    IdentificationStore store;
    EXPECT_FALSE(store.KeyOpened());
    Identification read = store.Read();
    EXPECT_EQ(read.guestScan, 0u);
    EXPECT_EQ(read.email, "");
    EXPECT_EQ(read.password, "");
    EXPECT_FALSE(store.WriteRegistered(true));
    EXPECT_FALSE(store.WriteEmail("someone@example.com"));
    EXPECT_FALSE(store.WritePassword("secret"));

    HKEY key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    DWORD type;
    for (const char* name : {"GuestScan", "Username", "Password"})
        EXPECT_TRUE(GetRaw("", name, type).empty()) << name;
}

TEST_F(IdentificationTest, WrittenValuesHaveTheirStoredForms)
{
    CreateKey();
    IdentificationStore store;
    ASSERT_TRUE(store.KeyOpened());
    EXPECT_TRUE(store.WriteRegistered(true));
    EXPECT_TRUE(store.WriteEmail("someone@example.com"));
    EXPECT_TRUE(store.WritePassword("pa55 word"));

    DWORD type = 0;
    EXPECT_EQ(GetRaw(kKey, "GuestScan", type), (std::vector<BYTE>{1, 0, 0, 0}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    std::vector<BYTE> username = GetRaw(kKey, "Username", type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(username.begin(), username.end()), ScrambleText("someone@example.com", "MirelTosk") + '\0');

    Identification read = ReadIdentification();
    EXPECT_EQ(read.guestScan, 1u);
    EXPECT_EQ(read.email, "someone@example.com");
    EXPECT_EQ(read.password, "pa55 word");

    EXPECT_TRUE(store.WriteRegistered(false));
    EXPECT_EQ(GetRaw(kKey, "GuestScan", type), (std::vector<BYTE>{0, 0, 0, 0}));
    EXPECT_EQ(ReadIdentification().guestScan, 0u);
}

TEST_F(IdentificationTest, ValuesEditedByHandReadSafely)
{
    CreateKey();
    const DWORD registered = 1;
    PutRaw("GuestScan", REG_DWORD, &registered, sizeof registered);
    PutRaw("Username", REG_SZ, "not scrambled", 14);
    PutRaw("Password", REG_DWORD, &registered, sizeof registered);
    Identification read = ReadIdentification();
    EXPECT_EQ(read.guestScan, 1u);
    EXPECT_EQ(read.email, "");
    EXPECT_EQ(read.password, "");

    // 128 characters scramble to 256, too long to store: the earlier value stays.
    IdentificationStore store;
    ASSERT_TRUE(store.WritePassword(std::string(127, 'p')));
    EXPECT_FALSE(store.WritePassword(std::string(128, 'q')));
    EXPECT_EQ(ReadIdentification().password, std::string(127, 'p'));
}

TEST_F(IdentificationTest, AStandardAccountWithTheInstallersGrantReadsAndWritesIt)
{
    CreateKey();
    ASSERT_TRUE(IdentificationStore().WriteEmail("before@example.com"));
    // Reading and setting values, for the local Users group only: what the installer grants. (The
    // test runs as an administrator, a member of that group; this list gives it nothing more.)
    RestrictedKey granted(HKEY_LOCAL_MACHINE, kKey, "D:P(A;;0x3;;;BU)");
    ASSERT_TRUE(granted.Restricted());
    CRegistryStore fullAccess;
    fullAccess.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(fullAccess.SetKey(kKey, FALSE));
    EXPECT_EQ(fullAccess.LastError(), ERROR_ACCESS_DENIED);

    IdentificationStore store;
    ASSERT_TRUE(store.KeyOpened());
    EXPECT_EQ(store.Read().email, "before@example.com");
    EXPECT_TRUE(store.WriteRegistered(true));
    EXPECT_TRUE(store.WriteEmail("someone@example.com"));
    EXPECT_TRUE(store.WritePassword("secret"));
    Identification read = ReadIdentification();
    EXPECT_EQ(read.guestScan, 1u);
    EXPECT_EQ(read.email, "someone@example.com");
    EXPECT_EQ(read.password, "secret");
}

}  // namespace
