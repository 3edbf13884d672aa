// The real korvala-desk.exe, started as a child process and driven from outside through its
// window: size, layout, the keys and messages that must not close it, maximise and restore, the
// ways that end it (its user's, the Restart Manager's and an installer's), and the browser's
// download directory while it runs and after: also when the session ends with the program open,
// when an earlier run left the program's own folder, and with two instances running. And what a
// screen reader in another process reads of every control and hears of a scan.
#include "close_request.h"
#include "desk_program.h"
#include "test_devices.h"

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <initguid.h>
#include <devguid.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

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

// What a screen reader reads of a window's client object, asked from this process through
// oleacc as a screen reader asks: the object crosses from the program through LresultFromObject.
struct Reading {
    std::string name;
    long role = 0;
    std::string value;
    long state = 0;
};

std::string Narrow(BSTR text)
{
    char narrow[512] = {};
    if (text) {
        ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof(narrow) - 1, nullptr, nullptr);
    }
    return narrow;
}

long Number(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*question)(VARIANT, VARIANT*))
{
    VARIANT self = {};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT answer;
    ::VariantInit(&answer);
    const long number = SUCCEEDED((object->*question)(self, &answer)) && answer.vt == VT_I4 ? answer.lVal : -1;
    ::VariantClear(&answer);
    return number;
}

std::string Text(IAccessible* object, HRESULT (STDMETHODCALLTYPE IAccessible::*question)(VARIANT, BSTR*))
{
    VARIANT self = {};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR answer = nullptr;
    const std::string text = (object->*question)(self, &answer) == S_OK ? Narrow(answer) : "";
    ::SysFreeString(answer);
    return text;
}

Reading ReadObject(IAccessible* object)
{
    Reading reading;
    reading.name = Text(object, &IAccessible::get_accName);
    reading.role = Number(object, &IAccessible::get_accRole);
    reading.value = Text(object, &IAccessible::get_accValue);
    reading.state = Number(object, &IAccessible::get_accState);
    return reading;
}

Reading Read(HWND window)
{
    IAccessible* object = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible),
                                            reinterpret_cast<void**>(&object))) ||
        !object) {
        return Reading();
    }
    Reading reading = ReadObject(object);
    object->Release();
    return reading;
}

// One control as a screen reader must read it. Role 0: the system's own object decides it (the
// standard controls of the options sheet); value "%": a percent, whichever.
struct Expected {
    int id;
    const char* name;
    long role;
    long statesSet;
    long statesClear;
    const char* value;
};

const long kLink = ROLE_SYSTEM_LINK, kButton = ROLE_SYSTEM_PUSHBUTTON;
const long kFocusable = STATE_SYSTEM_FOCUSABLE, kHidden = STATE_SYSTEM_INVISIBLE,
           kUnavailable = STATE_SYSTEM_UNAVAILABLE, kLinked = STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE;

const Expected kBandAtRest[] = {
    {1023, "My Downloads", kLink, kLinked, kUnavailable, ""},
    {1020, "About", kLink, kLinked, kUnavailable, ""},
    {1017, "Help", kLink, kLinked, kUnavailable, ""},
    {1006, "Minimize", kButton, kFocusable, kUnavailable, ""},
    {1009, "Maximize", kButton, kFocusable, kUnavailable, ""},
    {1005, "Close", kButton, kFocusable, kUnavailable, ""},
    {1004, "Options", kButton, kFocusable, kUnavailable, ""},
    {1001, "Start", kButton, kFocusable | STATE_SYSTEM_FOCUSED, kUnavailable, ""},
    {1002, "Scan progress", ROLE_SYSTEM_PROGRESSBAR, 0, 0, "0%"},
    {1007, "Busy", ROLE_SYSTEM_ANIMATION, kHidden, 0, ""},
    {1008, "Processing scan data...", ROLE_SYSTEM_STATICTEXT, kHidden, 0, ""},
};
// What a running scan changes.
const Expected kBandScanning[] = {
    {1001, "Stop", kButton, kFocusable, kUnavailable, ""},
    {1004, "Options", kButton, kUnavailable, kFocusable, ""},
    {1002, "Scan progress", ROLE_SYSTEM_PROGRESSBAR, 0, 0, "%"},
};
// The options sheet's pages in their order; each field is named after the label before it.
const std::vector<Expected> kSheetPages[] = {
    {{211, "Guest", 0, 0, 0, ""},
     {212, "Registered", 0, 0, 0, ""},
     {208, "E-mail :", 0, 0, 0, ""},
     {209, "Password :", 0, STATE_SYSTEM_PROTECTED, 0, ""}},
    {{206, "Create", 0, 0, 0, ""}},
    {{1011, "Korvala 2007 Online Help", kLink, kLinked, 0, ""},
     {1012, "Contact Us", kLink, kLinked, 0, ""},
     {1014, "Send to friend", kLink, kLinked, 0, ""},
     {1016, "Korvala Website", kLink, kLinked, 0, ""},
     {1015, "Korvala", kLink, kLinked, 0, ""}},
};

bool IsPercent(const std::string& value)
{
    return value.size() >= 2 && value.back() == '%' && std::all_of(value.begin(), value.end() - 1, [](char c) {
               return std::isdigit(static_cast<unsigned char>(c));
           });
}

template <typename Table>
void ExpectReadings(HWND parent, const Table& table, const char* where)
{
    for (const Expected& expected : table) {
        SCOPED_TRACE(testing::Message() << where << ", control " << expected.id);
        const Reading reading = Read(::GetDlgItem(parent, expected.id));
        EXPECT_EQ(reading.name, expected.name);
        if (expected.role) {
            EXPECT_EQ(reading.role, expected.role);
        }
        EXPECT_EQ(reading.state & expected.statesSet, expected.statesSet) << std::hex << reading.state;
        EXPECT_EQ(reading.state & expected.statesClear, 0) << std::hex << reading.state;
        if (std::string(expected.value) == "%") {
            EXPECT_TRUE(IsPercent(reading.value)) << reading.value;
        } else {
            EXPECT_EQ(reading.value, expected.value);
        }
    }
}

std::string Title(HWND window)
{
    char title[128] = {};
    ::GetWindowTextA(window, title, sizeof(title));
    return title;
}

// What a screen reader hears of the program while it runs: show and name-change events of client
// objects, with the name it then reads. Out of context, so that this thread hears them while it
// handles its messages.
struct Heard {
    DWORD event;
    int id;
    std::string name;
};
std::vector<Heard> g_heard;

void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    IAccessible* accessible = nullptr;
    VARIANT which;
    ::VariantInit(&which);
    if (object != OBJID_CLIENT || FAILED(::AccessibleObjectFromEvent(window, object, child, &accessible, &which))) {
        return;
    }
    g_heard.push_back({event, ::GetDlgCtrlID(window), ReadObject(accessible).name});
    accessible->Release();
}

bool HeardOf(DWORD event, int id, const std::string& name, size_t from = 0)
{
    return std::any_of(
        g_heard.begin() + static_cast<std::ptrdiff_t>(std::min(from, g_heard.size())), g_heard.end(),
        [&](const Heard& heard) { return heard.event == event && heard.id == id && heard.name == name; });
}

// Handles this thread's messages (the hook's calls among them) until `done` or 30 s.
template <typename Done>
bool PumpUntil(Done done)
{
    const DWORD start = ::GetTickCount();
    while (!done() && ::GetTickCount() - start < 30000) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageA(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return done();
}

HWND ProgramWindow(const char* title, DWORD processId)
{
    HWND window = ::FindWindowA(nullptr, title);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    return owner == processId && ::IsWindowVisible(window) ? window : nullptr;
}

TEST(DeskAccessibility, AScreenReaderReadsEveryControlAndHearsTheScan)
{
    // Enough devices that the scan (25 ms a device) still runs while it is read.
    TestDevices devices(GUID_DEVCLASS_SYSTEM);
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(devices.Add("PCI\\VEN_5555&DEV_" + std::to_string(2000 + i), "1.0"));
    }
    ::CoInitialize(nullptr);
    DeskProgram program;
    ASSERT_NE(program.window, nullptr);
    const HWND window = program.window;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    g_heard.clear();
    const HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_NAMECHANGE, nullptr, &Hear, processId,
                                                 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);

    EXPECT_EQ(Title(window), "Korvala 2007");
    ExpectReadings(window, kBandAtRest, "at rest");

    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(1004, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, 1004)));
    HWND sheet = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (sheet = ProgramWindow("Korvala 2007 Options", processId)) != nullptr; }));
    for (int page = 0; page < 3; ++page) {
        ::SendMessageA(sheet, PSM_SETCURSEL, page, 0);
        const HWND shown = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        ExpectReadings(shown, kSheetPages[page], ("options page " + std::to_string(page)).c_str());
    }
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(sheet); }));

    // A scan: Start becomes Stop, which the reader hears; the band is read while it runs; at its
    // end the busy caption appears and Stop is Start again.
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, 1001)));
    ASSERT_TRUE(PumpUntil([] { return HeardOf(EVENT_OBJECT_NAMECHANGE, 1001, "Stop"); }));
    EXPECT_EQ(Title(window), "Scanning - Korvala 2007");
    ExpectReadings(window, kBandScanning, "scanning");
    const size_t scanning = g_heard.size();
    EXPECT_TRUE(PumpUntil([&] { return HeardOf(EVENT_OBJECT_NAMECHANGE, 1001, "Start", scanning); }));
    EXPECT_TRUE(HeardOf(EVENT_OBJECT_SHOW, 1008, "Processing scan data...", scanning));
    const Reading caption = Read(::GetDlgItem(window, 1008));
    EXPECT_EQ(caption.state & STATE_SYSTEM_INVISIBLE, 0) << "the caption shows";
    EXPECT_EQ(Title(window), "Scanning - Korvala 2007") << "until the results page has loaded";

    ::UnhookWinEvent(hook);
    ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForEnd(), 0);
    ::CoUninitialize();
}

}  // namespace
