// The browser's download directory redirect and its undo, on the test prefix's registry.
#include "download_redirect.h"

#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kKey[] = "Software\\Microsoft\\Internet Explorer";
const char kValue[] = "Download Directory";

struct Raw {
    DWORD type = 0;
    std::vector<BYTE> data;
    bool present = false;
};

Raw GetRaw()
{
    Raw raw;
    raw.data.resize(1024);
    DWORD size = static_cast<DWORD>(raw.data.size());
    raw.present = SHGetValueA(HKEY_CURRENT_USER, kKey, kValue, &raw.type, raw.data.data(), &size) == ERROR_SUCCESS;
    raw.data.resize(raw.present ? size : 0);
    return raw;
}

std::vector<BYTE> TextBytes(const std::string& text)
{
    return std::vector<BYTE>(text.c_str(), text.c_str() + text.size() + 1);
}

class DownloadRedirectTest : public testing::Test {
protected:
    void SetUp() override
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        SHDeleteValueA(HKEY_CURRENT_USER, kKey, kValue);
        RemoveDirectoryA(kKorvalaDownloadFolder);
    }
    void TearDown() override { SHDeleteValueA(HKEY_CURRENT_USER, kKey, kValue); }
};

TEST_F(DownloadRedirectTest, EarlierTextValuesComeBackAndMissingOnesStayMissing)
{
    using State = DownloadDirectoryRedirect::State;
    struct Case {
        const char* earlier;  // nullptr: no value
        State state;
    } cases[] = {
        {nullptr, State::RedirectedWithoutEarlier},
        {"0", State::RedirectedWithoutEarlier},  // the read's own default: counts as none
        {"D:\\My Downloads", State::RedirectedWithEarlier},
        {"", State::RedirectedWithEarlier},
        // The program's own folder, left by a run that ended without undoing its redirect.
        {"C:\\Korvala Downloads", State::RedirectedWithoutEarlier},
        {"c:\\korvala downloads\\", State::RedirectedWithoutEarlier},
        {"C:\\Korvala Downloads 2", State::RedirectedWithEarlier},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.earlier ? c.earlier : "(none)");
        SHDeleteValueA(HKEY_CURRENT_USER, kKey, kValue);
        if (c.earlier) {
            ASSERT_EQ(SHSetValueA(HKEY_CURRENT_USER, kKey, kValue, REG_SZ, c.earlier, lstrlenA(c.earlier) + 1),
                      ERROR_SUCCESS);
        }

        DownloadDirectoryRedirect redirect;
        redirect.Redirect();
        EXPECT_EQ(redirect.GetState(), c.state);
        Raw during = GetRaw();
        EXPECT_EQ(during.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(during.data, TextBytes(kKorvalaDownloadFolder));
        EXPECT_NE(GetFileAttributesA(kKorvalaDownloadFolder) & FILE_ATTRIBUTE_DIRECTORY, 0u);

        // A second call must not take the redirect for the user's own setting.
        redirect.Redirect();
        redirect.Undo();
        EXPECT_EQ(redirect.GetState(), State::NotRedirected);
        Raw after = GetRaw();
        if (c.state == State::RedirectedWithEarlier) {
            EXPECT_EQ(after.type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(after.data, TextBytes(c.earlier));
        } else {
            EXPECT_FALSE(after.present);
        }
    }
}

TEST_F(DownloadRedirectTest, ValueThatCannotBeReadAsTextIsLeftAlone)
{
    const DWORD number = 7;
    const std::string longPath = "C:\\" + std::string(300, 'd');
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
    } cases[] = {
        {"number", REG_DWORD, &number, sizeof number},
        {"binary", REG_BINARY, "C:\\x", 5},
        {"too long", REG_SZ, longPath.c_str(), static_cast<DWORD>(longPath.size() + 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(SHSetValueA(HKEY_CURRENT_USER, kKey, kValue, c.type, c.data, c.size), ERROR_SUCCESS);
        Raw before = GetRaw();
        DownloadDirectoryRedirect redirect;
        redirect.Redirect();
        EXPECT_EQ(redirect.GetState(), DownloadDirectoryRedirect::State::NotRedirected);
        redirect.Undo();
        Raw after = GetRaw();
        EXPECT_EQ(after.type, before.type);
        EXPECT_EQ(after.data, before.data);
    }
}

TEST_F(DownloadRedirectTest, ASecondInstanceLeavesTheFirstOnesRedirectAlone)
{
    ASSERT_EQ(SHSetValueA(HKEY_CURRENT_USER, kKey, kValue, REG_SZ, "D:\\Mine", 8), ERROR_SUCCESS);
    DownloadDirectoryRedirect first;
    first.Redirect();
    ASSERT_EQ(first.GetState(), DownloadDirectoryRedirect::State::RedirectedWithEarlier);
    {
        DownloadDirectoryRedirect second;
        second.Redirect();
        EXPECT_EQ(second.GetState(), DownloadDirectoryRedirect::State::NotRedirected);
        second.Undo();
        EXPECT_EQ(GetRaw().data, TextBytes(kKorvalaDownloadFolder)) << "the first one's redirect stays";
    }
    first.Undo();
    EXPECT_EQ(GetRaw().data, TextBytes("D:\\Mine"));

    // Once the first has undone it, the next instance redirects again.
    DownloadDirectoryRedirect next;
    next.Redirect();
    EXPECT_EQ(next.GetState(), DownloadDirectoryRedirect::State::RedirectedWithEarlier);
    EXPECT_EQ(next.EarlierDirectory(), "D:\\Mine");
    next.Undo();
}

TEST_F(DownloadRedirectTest, UndoWithoutRedirectChangesNothing)
{
    ASSERT_EQ(SHSetValueA(HKEY_CURRENT_USER, kKey, kValue, REG_SZ, "E:\\x", 5), ERROR_SUCCESS);
    DownloadDirectoryRedirect redirect;
    redirect.Undo();
    EXPECT_EQ(GetRaw().data, TextBytes("E:\\x"));
}

}  // namespace
