// The real korvala-desk.exe, started as a child process and driven from outside through its
// window: size, layout, the keys and messages that must not close it, maximise and restore, the
// ways that end it (its user's, the Restart Manager's and an installer's), and the browser's
// download directory while it runs and after: also when the session ends with the program open,
// when an earlier run left the program's own folder, and with two instances running.
#include "close_request.h"
#include "desk_program.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const char kIeKey[] = "Software\\Microsoft\\Internet Explorer";
const char kDownloadValue[] = "Download Directory";

std::string DownloadDirectory()
{
    HKEY key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kIeKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return "(none)";
    }
    char value[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    LONG result = ::RegQueryValueExA(key, kDownloadValue, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(value) : std::string("(none)");
}

void SetDownloadDirectory(const char* directory)
{
    HKEY key;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kIeKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExA(key, kDownloadValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(directory),
                     static_cast<DWORD>(strlen(directory) + 1));
    ::RegCloseKey(key);
}

class DeskProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_before = DownloadDirectory();
        SetDownloadDirectory("C:\\Earlier Downloads");
    }
    void TearDown() override
    {
        if (m_before == "(none)") {
            HKEY key;
            if (::RegOpenKeyExA(HKEY_CURRENT_USER, kIeKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                ::RegDeleteValueA(key, kDownloadValue);
                ::RegCloseKey(key);
            }
        } else {
            SetDownloadDirectory(m_before.c_str());
        }
    }
    std::string m_before;
};

TEST_F(DeskProgramTest, StartsAsABandThatOnlyItsCloseBoxEnds)
{
    DeskProgram program;
    ASSERT_NE(program.window, nullptr);
    HWND window = program.window;
    RECT rect = WindowRect(window);
    EXPECT_EQ(rect.right - rect.left, 800);
    EXPECT_EQ(rect.bottom - rect.top, 128);
    EXPECT_EQ(DownloadDirectory(), "C:\\Korvala Downloads");

    const struct {
        int id;
        int offset;
    } rightAligned[] = {{1001, 248}, {1002, 185}, {1004, 315}, {1005, 30}, {1006, 90},
                        {1009, 60},  {1017, 138}, {1020, 179}, {1023, 282}};
    for (const auto& control : rightAligned) {
        HWND child = ::GetDlgItem(window, control.id);
        ASSERT_NE(child, nullptr) << control.id;
        EXPECT_EQ(WindowRect(child).left, rect.right - control.offset) << control.id;
    }

    // Enter and Escape, at the dialog and at the focused control, and a WM_CLOSE from outside.
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof(thread);
    ::GetGUIThreadInfo(program.ThreadId(), &thread);
    for (HWND target : {window, thread.hwndFocus}) {
        if (!target) {
            continue;
        }
        for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
            ::PostMessageA(target, WM_KEYDOWN, key, 1);
            ::PostMessageA(target, WM_KEYUP, key, 0xC0000001);
        }
    }
    ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    ::PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    ::SendMessageA(window, WM_CLOSE, 0, 0);
    ::Sleep(500);
    EXPECT_TRUE(program.Running());
    EXPECT_TRUE(::IsWindowVisible(window));

    // Maximising: the desktop's width at (0, 0), 15 pixels taller; restoring: the width back.
    RECT desktop;
    ::GetWindowRect(::GetDesktopWindow(), &desktop);
    ::SendMessageA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    rect = WindowRect(window);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, desktop.right);
    EXPECT_EQ(rect.bottom - rect.top, 128 + 15);
    EXPECT_EQ(WindowRect(::GetDlgItem(window, 1005)).left, rect.right - 30);
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(1009, BN_CLICKED), 0);
    rect = WindowRect(window);
    EXPECT_EQ(rect.right - rect.left, 800);
    EXPECT_EQ(WindowRect(::GetDlgItem(window, 1005)).left, rect.right - 30);

    ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForEnd(), 0);
    EXPECT_EQ(DownloadDirectory(), "C:\\Earlier Downloads");
}

TEST_F(DeskProgramTest, TheCloseButtonEndsIt)
{
    DeskProgram program;
    ASSERT_NE(program.window, nullptr);
    ::PostMessageA(program.window, WM_COMMAND, MAKEWPARAM(1005, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(program.window, 1005)));
    EXPECT_EQ(program.WaitForEnd(), 0);
    EXPECT_EQ(DownloadDirectory(), "C:\\Earlier Downloads");
}

// What the system sends to each top-level window when the user logs off; the process is ended
// after the last message, without WM_NCDESTROY. Wine's session end cannot be started for one
// program, so the test sends the same messages.
void EndSession(HWND window, BOOL ending)
{
    EXPECT_TRUE(::SendMessageA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    ::SendMessageA(window, WM_ENDSESSION, ending, ENDSESSION_LOGOFF);
}

TEST_F(DeskProgramTest, TheSessionsEndGivesTheDownloadFolderBack)
{
    DeskProgram program;
    ASSERT_NE(program.window, nullptr);
    ASSERT_EQ(DownloadDirectory(), "C:\\Korvala Downloads");
    EndSession(program.window, TRUE);
    EXPECT_EQ(DownloadDirectory(), "C:\\Earlier Downloads");
    program.Kill();
    EXPECT_EQ(DownloadDirectory(), "C:\\Earlier Downloads");

    // The next start finds the user's folder, not the program's.
    DeskProgram next;
    ASSERT_NE(next.window, nullptr);
    EXPECT_EQ(DownloadDirectory(), "C:\\Korvala Downloads");
    // A session end that is called off leaves the program running, redirected again.
    EndSession(next.window, FALSE);
    EXPECT_EQ(DownloadDirectory(), "C:\\Korvala Downloads");
    ::PostMessageA(next.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(next.WaitForEnd(), 0);
    EXPECT_EQ(DownloadDirectory(), "C:\\Earlier Downloads");
}

// What the Restart Manager sends when an installation needs the program's files (the session goes
// on), and an installer's request from any session: the program ends as by its close button.
TEST_F(DeskProgramTest, TheRestartManagerAndAnInstallerEndIt)
{
    const struct {
        const char* who;
        void (*ask)(const DeskProgram& program);
    } askers[] = {
        {"Restart Manager",
         [](const DeskProgram& program) {
             EXPECT_TRUE(::SendMessageA(program.window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP));
             ::SendMessageA(program.window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
         }},
        {"installer's request",
         [](const DeskProgram& program) {
             HANDLE request = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, CloseRequestName(program.ProcessId()).c_str());
             ASSERT_NE(request, nullptr) << "error " << ::GetLastError();
             ::SetEvent(request);
             ::CloseHandle(request);
         }},
    };
    for (const auto& asker : askers) {
        DeskProgram program;
        ASSERT_NE(program.window, nullptr) << asker.who;
        asker.ask(program);
        EXPECT_EQ(program.WaitForEnd(), 0) << asker.who;
        EXPECT_EQ(DownloadDirectory(), "C:\\Earlier Downloads") << asker.who;
    }
}

TEST_F(DeskProgramTest, TheProgramsOwnFolderLeftByAnEarlierRunIsNotTakenForTheUsers)
{
    // What an earlier version left after a session ended with it open.
    SetDownloadDirectory("C:\\Korvala Downloads");
    DeskProgram program;
    ASSERT_NE(program.window, nullptr);
    ::PostMessageA(program.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForEnd(), 0);
    EXPECT_EQ(DownloadDirectory(), "(none)") << "the browser goes back to its own default";
}

TEST_F(DeskProgramTest, ASecondInstanceNeitherTakesNorUndoesTheFirstOnesRedirect)
{
    DeskProgram first;
    ASSERT_NE(first.window, nullptr);
    {
        DeskProgram second;
        ASSERT_NE(second.window, nullptr);
        ASSERT_NE(second.window, first.window);
        ::PostMessageA(second.window, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_EQ(second.WaitForEnd(), 0);
    }
    EXPECT_EQ(DownloadDirectory(), "C:\\Korvala Downloads") << "the first one's redirect stays";
    ::PostMessageA(first.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(first.WaitForEnd(), 0);
    EXPECT_EQ(DownloadDirectory(), "C:\\Earlier Downloads");
}

}  // namespace
