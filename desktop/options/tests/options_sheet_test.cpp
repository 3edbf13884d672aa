// The options sheet shown for real: its pages, the identification they store under
// HKEY_LOCAL_MACHINE "Software\Korvala" (made and removed by the tests; the program only opens
// it), the restore point against the System Restore test double and the Help page's links.
#include "gui_helpers.h"
#include "help_links.h"
#include "options_sheet.h"
#include "scrambled_text.h"
#include "srclient_double.h"
#include "win_app.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>
#include <vector>

namespace {

const char kKey[] = "Software\\Korvala";
const char kSheetCaption[] = "Korvala 2007 Options";
const char kMessageCaption[] = "Korvala Oops Management";
const int kApplyButton = 0x3021;

enum Page { kGeneral, kSecurity, kHelp };

// Runs `body` with the sheet's window from inside the sheet's own modal loop, then cancels the
// sheet. Returns what the showing returned.
std::function<void(HWND)> g_body;

void CALLBACK RunBodyOnceSheetIsUp(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND sheet = ::FindWindowA(nullptr, kSheetCaption);
    if (!sheet) {
        return;
    }
    ::KillTimer(nullptr, timer);
    g_body(sheet);
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

INT_PTR ShowAndRun(OptionsSheet& options, std::function<void(HWND)> body)
{
    g_body = std::move(body);
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &RunBodyOnceSheetIsUp);
    INT_PTR result = options.Show();
    ::KillTimer(nullptr, timer);
    return result;
}

HWND SelectPage(HWND sheet, Page page)
{
    ::SendMessageA(sheet, PSM_SETCURSEL, page, 0);
    return PropSheet_GetCurrentPageHwnd(sheet);
}

std::string Text(HWND window)
{
    char text[1024] = {};
    ::GetWindowTextA(window, text, sizeof(text));
    return text;
}

bool Checked(HWND page, int id)
{
    return ::SendDlgItemMessageA(page, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Shown(HWND window)
{
    return window && ::IsWindowVisible(window);
}

class OptionsSheetTest : public testing::Test {
protected:
    void SetUp() override
    {
        ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS,
                  ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        ::RegCloseKey(key);
    }
    void TearDown() override { ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kKey); }

    static void PutGuestScan(DWORD value)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  ::SHSetValueA(HKEY_LOCAL_MACHINE, kKey, "GuestScan", REG_DWORD, &value, sizeof(value)));
    }
    static void PutString(const char* name, const std::string& value)
    {
        ASSERT_EQ(ERROR_SUCCESS, ::SHSetValueA(HKEY_LOCAL_MACHINE, kKey, name, REG_SZ, value.c_str(),
                                               static_cast<DWORD>(value.size() + 1)));
    }
    // "GuestScan" as the program stores it (4 bytes of REG_BINARY), or -1 when it is not so.
    static long StoredGuestScan()
    {
        DWORD type = 0, value = 0, size = sizeof(value);
        if (::SHGetValueA(HKEY_LOCAL_MACHINE, kKey, "GuestScan", &type, &value, &size) != ERROR_SUCCESS ||
            type != REG_BINARY || size != 4) {
            return -1;
        }
        return static_cast<long>(value);
    }
    static std::string StoredString(const char* subKey, const char* name)
    {
        char value[512] = {};
        DWORD type = 0, size = sizeof(value);
        if (::SHGetValueA(HKEY_LOCAL_MACHINE, subKey, name, &type, value, &size) != ERROR_SUCCESS) {
            return "(missing)";
        }
        return value;
    }
    static std::string Stored(const char* name) { return StoredString(kKey, name); }

    OptionsSheet options;
};

std::string Upper(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

TEST_F(OptionsSheetTest, OpensFromTheStoredIdentificationAndWritesTheFieldsBack)
{
    struct Case {
        DWORD guestScan;
        bool registered;
    };
    const Case cases[] = {{0, false}, {1, true}, {2, true}, {0, false}};
    const std::string email = "user@example.com", password = "p4ss word";
    // The same sheet object is shown again and again; each showing reads the registry anew.
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "GuestScan " << c.guestScan);
        PutGuestScan(c.guestScan);
        // Stored in upper-case digits: the fields' write-back stores the program's lower-case form.
        PutString("Username", Upper(ScrambleText(email, kCredentialKey)));
        PutString("Password", Upper(ScrambleText(password, kCredentialKey)));
        ShowAndRun(options, [&](HWND sheet) {
            HWND page = PropSheet_GetCurrentPageHwnd(sheet);
            EXPECT_EQ(c.registered, Checked(page, IDC_REGISTERED));
            EXPECT_EQ(!c.registered, Checked(page, IDC_GUEST));
            for (int id : {IDC_EMAIL, IDC_PASSWORD}) {
                EXPECT_EQ(c.registered, ::IsWindowEnabled(::GetDlgItem(page, id)) != FALSE) << id;
            }
            EXPECT_EQ(email, Text(::GetDlgItem(page, IDC_EMAIL)));
            EXPECT_EQ(password, Text(::GetDlgItem(page, IDC_PASSWORD)));
        });
        EXPECT_EQ(ScrambleText(email, kCredentialKey), Stored("Username"));
        EXPECT_EQ(ScrambleText(password, kCredentialKey), Stored("Password"));
        DWORD stored = 99, size = sizeof(stored);
        ::SHGetValueA(HKEY_LOCAL_MACHINE, kKey, "GuestScan", nullptr, &stored, &size);
        EXPECT_EQ(c.guestScan, stored) << "opening changes no choice";
    }
}

// The application's main window: a hidden top-level window bound to a window object.
class MainWindow {
public:
    MainWindow()
    {
        m_window.SubclassWindow(
            ::CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr));
        m_app.m_pMainWnd = &m_window;
    }
    ~MainWindow()
    {
        m_app.m_pMainWnd = nullptr;
        ::DestroyWindow(m_window.UnsubclassWindow());
    }
    HWND Handle() const { return m_window.m_hWnd; }

private:
    CWinApp m_app;
    CWnd m_window;
};

TEST_F(OptionsSheetTest, SheetHasThreePagesOkAndCancelOnlyAndIsModalToTheMainWindow)
{
    MainWindow main;
    ASSERT_NE(nullptr, main.Handle());
    ShowAndRun(options, [&](HWND sheet) {
        EXPECT_EQ(main.Handle(), ::GetWindow(sheet, GW_OWNER));
        EXPECT_FALSE(::IsWindowEnabled(main.Handle()));
        EXPECT_FALSE(::GetWindowLongA(sheet, GWL_EXSTYLE) & WS_EX_APPWINDOW) << "no taskbar button of its own";
        HWND tabs = PropSheet_GetTabControl(sheet);
        ASSERT_EQ(3, TabCtrl_GetItemCount(tabs));
        const char* names[] = {"General", "Security", "Help"};
        for (int i = 0; i < 3; ++i) {
            char name[64] = {};
            TCITEMA item = {};
            item.mask = TCIF_TEXT;
            item.pszText = name;
            item.cchTextMax = sizeof(name);
            ::SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
            EXPECT_STREQ(names[i], name);
        }
        EXPECT_TRUE(Shown(::GetDlgItem(sheet, IDOK)));
        EXPECT_TRUE(Shown(::GetDlgItem(sheet, IDCANCEL)));
        EXPECT_FALSE(Shown(::GetDlgItem(sheet, kApplyButton)));
        EXPECT_FALSE(Shown(::GetDlgItem(sheet, IDHELP)));

        HWND general = PropSheet_GetCurrentPageHwnd(sheet);
        DWORD email = static_cast<DWORD>(::GetWindowLongA(::GetDlgItem(general, IDC_EMAIL), GWL_STYLE));
        DWORD password = static_cast<DWORD>(::GetWindowLongA(::GetDlgItem(general, IDC_PASSWORD), GWL_STYLE));
        EXPECT_TRUE(email & ES_AUTOHSCROLL);
        EXPECT_FALSE(email & ES_PASSWORD);
        EXPECT_TRUE(password & ES_AUTOHSCROLL);
        EXPECT_TRUE(password & ES_PASSWORD);
    });
    EXPECT_TRUE(::IsWindowEnabled(main.Handle()));
}

TEST_F(OptionsSheetTest, ShowingWhileShownDoesNothing)
{
    bool ran = false;
    ShowAndRun(options, [&](HWND) {
        EXPECT_EQ(-1, options.Show());
        ran = true;
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(nullptr, ::FindWindowA(nullptr, kSheetCaption));
}

TEST_F(OptionsSheetTest, ChoicesAreStoredAtOnceEvenWhenCancelled)
{
    PutGuestScan(0);
    PutString("Username", ScrambleText("old@example.com", kCredentialKey));
    ShowAndRun(options, [&](HWND sheet) {
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        HWND email = ::GetDlgItem(page, IDC_EMAIL);
        ::SendDlgItemMessageA(page, IDC_REGISTERED, BM_CLICK, 0, 0);
        EXPECT_EQ(1, StoredGuestScan());
        EXPECT_TRUE(::IsWindowEnabled(email));
        EXPECT_TRUE(Checked(page, IDC_REGISTERED));
        EXPECT_FALSE(Checked(page, IDC_GUEST));

        ::SendDlgItemMessageA(page, IDC_GUEST, BM_CLICK, 0, 0);
        EXPECT_EQ(0, StoredGuestScan());
        EXPECT_FALSE(::IsWindowEnabled(email));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_PASSWORD)));
        EXPECT_EQ("old@example.com", Text(email)) << "the fields keep their texts";

        ::SendDlgItemMessageA(page, IDC_REGISTERED, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(1, StoredGuestScan()) << "Cancel undoes nothing";
}

TEST_F(OptionsSheetTest, EveryChangeOfAFieldStoresItsWholeTextScrambled)
{
    PutGuestScan(1);
    ShowAndRun(options, [&](HWND sheet) {
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        HWND email = ::GetDlgItem(page, IDC_EMAIL);
        std::string typed;
        for (char c : std::string("a@b")) {
            ::SendMessageA(email, WM_CHAR, static_cast<unsigned char>(c), 1);
            typed += c;
            EXPECT_EQ(ScrambleText(typed, kCredentialKey), Stored("Username")) << typed;
        }
        ::SendMessageA(email, WM_CHAR, VK_BACK, 1);
        EXPECT_EQ(ScrambleText("a@", kCredentialKey), Stored("Username"));

        ::SetDlgItemTextA(page, IDC_PASSWORD, "secret");
        EXPECT_EQ(ScrambleText("secret", kCredentialKey), Stored("Password"));
        ::SetDlgItemTextA(page, IDC_PASSWORD, "");
        EXPECT_EQ("", Stored("Password"));

        // The longest text whose scrambled form can be stored; typing more is refused rather than
        // leaving an older value stored while the field shows a newer one.
        const std::string longest(127, 'x');
        ::SetWindowTextA(email, longest.c_str());
        ::SendMessageA(email, EM_SETSEL, 127, 127);
        ::SendMessageA(email, WM_CHAR, 'y', 1);
        EXPECT_EQ(longest, Text(email));
        EXPECT_EQ(ScrambleText(longest, kCredentialKey), Stored("Username"));
    });
}

TEST_F(OptionsSheetTest, MissingKeyOpensAsGuestAndIsNeitherCreatedNorReplaced)
{
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
    ShowAndRun(options, [&](HWND sheet) {
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        EXPECT_TRUE(Checked(page, IDC_GUEST));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_EMAIL)));
        EXPECT_EQ("", Text(::GetDlgItem(page, IDC_EMAIL)));
        EXPECT_EQ("", Text(::GetDlgItem(page, IDC_PASSWORD)));
        ::SendDlgItemMessageA(page, IDC_REGISTERED, BM_CLICK, 0, 0);
        ::SetDlgItemTextA(page, IDC_EMAIL, "someone@example.com");
        ::SetDlgItemTextA(page, IDC_PASSWORD, "secret");
        EXPECT_TRUE(Checked(page, IDC_REGISTERED));
    });
    HKEY key;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key));
    for (const char* name : {"GuestScan", "Username", "Password"}) {
        EXPECT_EQ("(missing)", StoredString("", name)) << "nothing lands in the root key: " << name;
    }
}

// Closes each restore-point message box as it appears and keeps its text and owner.
struct MessageBoxCloser {
    int expected = 0;
    std::vector<std::string> texts;
    std::vector<HWND> owners;

    static DWORD WINAPI Run(void* parameter)
    {
        auto* self = static_cast<MessageBoxCloser*>(parameter);
        DWORD start = ::GetTickCount();
        while (static_cast<int>(self->texts.size()) < self->expected && ::GetTickCount() - start < 30000) {
            HWND box = ::FindWindowA(nullptr, kMessageCaption);
            if (!box) {
                ::Sleep(20);
                continue;
            }
            char text[512] = {};
            ::GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
            self->texts.push_back(text);
            self->owners.push_back(::GetWindow(box, GW_OWNER));
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            while (::IsWindow(box)) {
                ::Sleep(20);
            }
        }
        return 0;
    }
};

class SecurityPageTest : public OptionsSheetTest {
protected:
    void SetUp() override
    {
        OptionsSheetTest::SetUp();
        HMODULE library = ::LoadLibraryA("srclient.dll");
        ASSERT_NE(nullptr, library);
        configure_ = reinterpret_cast<SrDoubleConfigureFunction>(
            reinterpret_cast<void*>(::GetProcAddress(library, "SrDoubleConfigure")));
        setCalls_ = reinterpret_cast<SrDoubleSetCallsFunction>(
            reinterpret_cast<void*>(::GetProcAddress(library, "SrDoubleSetCalls")));
        ASSERT_TRUE(configure_ && setCalls_) << "the loaded srclient.dll is not the test double";
    }

    // Presses Create `times` times; returns the messages shown.
    std::vector<std::string> PressCreate(int times)
    {
        MessageBoxCloser closer;
        closer.expected = times;
        ShowAndRun(options, [&](HWND sheet) {
            HWND page = SelectPage(sheet, kSecurity);
            HANDLE thread = ::CreateThread(nullptr, 0, &MessageBoxCloser::Run, &closer, 0, nullptr);
            for (int i = 0; i < times; ++i) {
                ::SendDlgItemMessageA(page, IDC_CREATE_RESTORE_POINT, BM_CLICK, 0, 0);
            }
            ::WaitForSingleObject(thread, 30000);
            ::CloseHandle(thread);
            EXPECT_TRUE(::IsWindow(sheet)) << "the sheet stays open";
            for (HWND owner : closer.owners) {
                EXPECT_EQ(sheet, owner) << "owned by the page, whose top window is the sheet";
            }
        });
        return closer.texts;
    }

    std::vector<RESTOREPOINTINFOA> SetCalls() const
    {
        std::vector<RESTOREPOINTINFOA> calls(8);
        calls.resize(static_cast<size_t>(setCalls_(calls.data(), 8)));
        return calls;
    }

    SrDoubleConfigureFunction configure_ = nullptr;
    SrDoubleSetCallsFunction setCalls_ = nullptr;
};

TEST_F(SecurityPageTest, CreateMakesARestorePointEachTimeAndTellsTheOutcome)
{
    configure_(TRUE, TRUE, 42);
    const std::string created = "System Restore Point created successfully.";
    EXPECT_EQ((std::vector<std::string>{created, created}), PressCreate(2));
    std::vector<RESTOREPOINTINFOA> calls = SetCalls();
    ASSERT_EQ(4u, calls.size()) << "a begin and an end call per restore point";
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(i % 2 ? END_SYSTEM_CHANGE : BEGIN_SYSTEM_CHANGE, calls[i].dwEventType);
        EXPECT_STREQ("Korvala Restore Point", calls[i].szDescription);
    }

    configure_(FALSE, FALSE, 0);
    EXPECT_EQ((std::vector<std::string>{"Cannot create a new System Restore Point. Please make sure "
                                        "this feature is enabled."}),
              PressCreate(1));
}

const COLORREF kLinkColour = RGB(193, 3, 51);

CHyperLink* LinkOf(HWND page, int id)
{
    return dynamic_cast<CHyperLink*>(CWnd::FromHandlePermanent(::GetDlgItem(page, id)));
}

COLORREF TextColour(HWND page, HWND link)
{
    HDC dc = ::GetDC(link);
    ::SendMessageA(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link));
    COLORREF colour = ::GetTextColor(dc);
    ::ReleaseDC(link, dc);
    return colour;
}

TEST_F(OptionsSheetTest, HelpLinksShowTheirTargetsAndOpenOnPress)
{
    const std::string base = KORVALA_SERVICE_URL;
    const struct {
        int id;
        const char* text;
        std::string target;
    } links[] = {
        {IDC_LINK_ONLINE_HELP, "Korvala 2007 Online Help", base + "/help.php"},
        {IDC_LINK_CONTACT, "Contact Us", base + "/contact.php"},
        {IDC_LINK_SEND_TO_FRIEND, "Send to friend", RecommendationMailLink(base)},
        {IDC_LINK_COPYRIGHT, "Korvala", base + "/about.php"},
        {IDC_LINK_WEBSITE, "Korvala Website", base},
    };
    // A harmless target that leaves a trace when the shell opens it.
    const char* script = "C:\\korvala-options-link.bat";
    const char* trace = "C:\\korvala-options-link-opened";
    ::RemoveDirectoryA(trace);
    HANDLE file = ::CreateFileA(script, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    std::string command = std::string("@mkdir ") + trace + "\r\n";
    DWORD written = 0;
    ::WriteFile(file, command.data(), static_cast<DWORD>(command.size()), &written, nullptr);
    ::CloseHandle(file);

    ShowAndRun(options, [&](HWND sheet) {
        HWND page = SelectPage(sheet, kHelp);
        for (const auto& expected : links) {
            SCOPED_TRACE(expected.text);
            CHyperLink* link = LinkOf(page, expected.id);
            ASSERT_NE(nullptr, link);
            EXPECT_EQ(expected.target, link->GetTarget());
            EXPECT_EQ(expected.text, link->GetText());
            EXPECT_EQ(expected.target, TooltipText(*link));
            EXPECT_TRUE(link->GetStyles() & LinkOpenOnPress);
            EXPECT_EQ(kLinkColour, TextColour(page, *link));
        }
        CHyperLink* copyright = LinkOf(page, IDC_LINK_COPYRIGHT);
        copyright->SetTarget(script);
        copyright->Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        EXPECT_TRUE(copyright->IsVisited()) << "opened by the press alone";
        PumpUntil([&] { return ::GetFileAttributesA(trace) != INVALID_FILE_ATTRIBUTES; }, 10000);
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(trace));
    });
    ::RemoveDirectoryA(trace);
    ::DeleteFileA(script);

    // The next showing sets the targets again; what was visited stays visited.
    ShowAndRun(options, [&](HWND sheet) {
        HWND page = SelectPage(sheet, kHelp);
        CHyperLink* copyright = LinkOf(page, IDC_LINK_COPYRIGHT);
        ASSERT_NE(nullptr, copyright);
        EXPECT_EQ(base + "/about.php", copyright->GetTarget());
        EXPECT_TRUE(copyright->IsVisited());
        EXPECT_FALSE(LinkOf(page, IDC_LINK_WEBSITE)->IsVisited());
    });
}

// The painted pixels of the link's top row, which its text leaves empty.
long TopRowMarks(HWND link)
{
    const std::vector<COLORREF> pixels = PaintedPixels(link);
    RECT client;
    ::GetClientRect(link, &client);
    return std::count_if(pixels.begin(), pixels.begin() + client.right, [](COLORREF c) { return c != kUnpainted; });
}

// A key as the sheet's modal loop hands it to the dialog's keyboard handling: TRUE when that
// handling took it (it moved the focus, or gave the key to the control that wants it).
BOOL PressKey(HWND sheet, WPARAM key)
{
    MSG msg = {::GetFocus(), WM_KEYDOWN, key, 1, 0, {}};
    return PropSheet_IsDialogMessage(sheet, &msg);
}

TEST_F(OptionsSheetTest, HelpLinksAreTabStopsAndOpenWithEnter)
{
    // A target that opens at once and does nothing.
    const char* script = "C:\\korvala-options-enter.bat";
    HANDLE file = ::CreateFileA(script, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ::WriteFile(file, "@rem\r\n", 6, &written, nullptr);
    ::CloseHandle(file);
    // In the order the page reads them.
    const int order[] = {IDC_LINK_ONLINE_HELP, IDC_LINK_CONTACT, IDC_LINK_SEND_TO_FRIEND, IDC_LINK_WEBSITE,
                         IDC_LINK_COPYRIGHT};
    ShowAndRun(options, [&](HWND sheet) {
        HWND page = SelectPage(sheet, kHelp);
        for (int id : order) {
            ASSERT_NE(nullptr, LinkOf(page, id));
            LinkOf(page, id)->SetTarget(script);
        }
        ::SetFocus(::GetDlgItem(page, order[0]));
        for (int id : order) {
            SCOPED_TRACE(id);
            CHyperLink* link = LinkOf(page, id);
            EXPECT_EQ(link->m_hWnd, ::GetFocus());
            EXPECT_GT(TopRowMarks(*link), 0) << "the focus rectangle";
            EXPECT_TRUE(PressKey(sheet, VK_RETURN));
            EXPECT_TRUE(link->IsVisited()) << "Enter opens the link";
            ASSERT_NE(nullptr, PropSheet_GetCurrentPageHwnd(sheet)) << "and does not press the sheet's OK";
            PressKey(sheet, VK_TAB);
            EXPECT_EQ(TopRowMarks(*link), 0) << "no focus rectangle without the focus";
        }
    });
    ::DeleteFileA(script);
}

}  // namespace
