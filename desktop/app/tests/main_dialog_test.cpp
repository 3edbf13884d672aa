// The main window in this process, over the Web Browser stand-in: pointer shapes, what a
// completed page does (show the browser and grow, hide the busy caption, restore point), the
// keystrokes a page is given, the keyboard's way through the band into the page, high contrast,
// and the options sheet over the window.
#include "gui_helpers.h"
#include "hand_cursor.h"
#include "high_contrast_double.h"
#include "main_dialog.h"
#include "service_pages.h"
#include "test_devices.h"
#include "test_service_base_url.h"
#include "web_browser_double.h"
#include "win_app.h"
#include "worker_thread.h"

#include <exdispid.h>
#include <gtest/gtest.h>

#include <initguid.h>
#include <devguid.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

const UINT kRunStep = WM_APP + 50;

// The main window with test steps run from inside its modal loop, one after another: what a
// step posts is handled by the loop before the next step runs. It records the heights the window
// is given.
class TestMainDialog : public CMainDialog {
public:
    std::vector<std::function<void(TestMainDialog&)>> steps;
    std::vector<int> heights;

    BOOL OnInitDialog() override
    {
        BOOL result = CMainDialog::OnInitDialog();
        Post(kRunStep);
        return result;
    }
    BOOL Growing() const { return m_growing; }
    bool Scanning() const { return m_scanRun.Running(); }
    HWND Browser() const { return m_browser.m_hWnd; }
    bool PageActive() const { return m_browser.IsPageActive(); }

    BEGIN_MSG_MAP(TestMainDialog, CMainDialog)
    MESSAGE_HANDLER(kRunStep, OnRunStep)
    MESSAGE_HANDLER(WM_SIZE, OnSizeRecord)
    END_MSG_MAP()

private:
    LRESULT OnRunStep(UINT, WPARAM, LPARAM, BOOL&)
    {
        if (m_nextStep < steps.size()) {
            steps[m_nextStep++](*this);
        }
        if (m_nextStep < steps.size()) {
            Post(kRunStep);
        } else {
            EndDialog(IDOK);
        }
        return 0;
    }
    LRESULT OnSizeRecord(UINT, WPARAM, LPARAM, BOOL& handled)
    {
        heights.push_back(WindowRect().bottom - WindowRect().top);
        handled = FALSE;
        return 0;
    }

    size_t m_nextStep = 0;
};

int Height(HWND window)
{
    RECT rect;
    ::GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

bool HandShownOver(HWND dialog, int id)
{
    ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
    ::SendMessageA(dialog, WM_SETCURSOR, reinterpret_cast<WPARAM>(::GetDlgItem(dialog, id)),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ::GetCursor() == LoadedHandCursor() && LoadedHandCursor();
}

// A pixel of what the window paints as its background (header band) into a memory bitmap.
COLORREF BackgroundPixel(HWND window, int x, int y)
{
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 1400, 200);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::SendMessageA(window, WM_PRINT, reinterpret_cast<WPARAM>(memory), PRF_ERASEBKGND | PRF_CLIENT);
    COLORREF pixel = ::GetPixel(memory, x, y);
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    return pixel;
}

bool IsDarkRed(COLORREF colour)
{
    return GetRValue(colour) > 0x50 && GetGValue(colour) < 0x30 && GetBValue(colour) < 0x40;
}

void CompletePage(WebBrowserDouble* browser, IDispatch* from, const std::string& url)
{
    std::wstring wide(url.begin(), url.end());
    VARIANT address = TextArgument(wide.c_str());
    browser->Fire(DISPID_DOCUMENTCOMPLETE, {DispatchArgument(from), ReferenceArgument(&address)});
    ::VariantClear(&address);
}

// Closes every restore-point message box that appears, counting them.
class RestorePointBoxCloser {
public:
    RestorePointBoxCloser()
        : m_thread([this] {
              while (!m_stop) {
                  HWND box = ::FindWindowA(nullptr, "Korvala Oops Management");
                  if (box && ::IsWindowVisible(box)) {
                      char text[200] = {};
                      ::GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
                      m_lastText = text;
                      ::PostMessageA(box, WM_COMMAND, IDOK, 0);
                      while (::IsWindow(box)) {
                          ::Sleep(10);
                      }
                      ++m_closed;
                  }
                  ::Sleep(20);
              }
          })
    {
    }
    ~RestorePointBoxCloser()
    {
        m_stop = true;
        m_thread.join();
    }
    int Closed() const { return m_closed; }
    std::string LastText() const { return m_lastText; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_closed{0};
    std::string m_lastText;
    std::thread m_thread;
};

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::OleInitialize(nullptr);
        m_cookie = WebBrowserDouble::Register();
    }
    void TearDown() override
    {
        WebBrowserDouble::Revoke(m_cookie);
        ::OleUninitialize();
    }
    DWORD m_cookie = 0;
};

TEST_F(MainDialogTest, PointerShapesAndWhatCompletedPagesDo)
{
    TestMainDialog dialog;
    bool ran = false;
    dialog.steps = {[&ran](TestMainDialog& d) {
        ran = true;
        const std::string base = g_testServiceBaseUrl;
        HWND window = d.m_hWnd;
        WebBrowserDouble* browser = WebBrowserDouble::Latest();
        ASSERT_NE(browser, nullptr);
        IDispatch* top = browser->TopLevelDispatch();
        HWND caption = d.GetDlgItem(1008);
        HWND busy = d.GetDlgItem(1007);
        EXPECT_EQ(Height(window), 128);
        EXPECT_FALSE(::IsWindowVisible(d.Browser()));
        EXPECT_FALSE(::IsWindowVisible(caption));
        EXPECT_FALSE(::IsWindowVisible(busy));

        // The header: dark red band over the light grey one; past the header's 835 pixels (when
        // maximised) the tile continues both.
        EXPECT_TRUE(IsDarkRed(BackgroundPixel(window, 5, 5)));
        EXPECT_EQ(BackgroundPixel(window, 5, 80), RGB(230, 230, 230));
        d.Send(WM_SYSCOMMAND, SC_MAXIMIZE);
        ASSERT_GT(d.WindowRect().right, 1000);
        EXPECT_TRUE(IsDarkRed(BackgroundPixel(window, 1000, 5)));
        EXPECT_EQ(BackgroundPixel(window, 1000, 80), RGB(230, 230, 230));
        d.Send(WM_SYSCOMMAND, SC_RESTORE);
        EXPECT_EQ(d.WindowRect().right - d.WindowRect().left, 800);

        // The hand over the link-style buttons (caption one space), not over the others.
        for (int id : {1017, 1020, 1023}) {
            EXPECT_TRUE(HandShownOver(window, id)) << id;
        }
        for (int id : {1001, 1004, 1005}) {
            EXPECT_FALSE(HandShownOver(window, id)) << id;
        }
        ::SetWindowTextA(d.GetDlgItem(1017), "  ");
        EXPECT_FALSE(HandShownOver(window, 1017));
        ::SetWindowTextA(d.GetDlgItem(1017), " ");

        // Help: collapsed with the busy animation until the page has loaded.
        browser->requests.clear();
        d.Send(WM_COMMAND, MAKEWPARAM(1017, BN_CLICKED), reinterpret_cast<LPARAM>(d.GetDlgItem(1017)));
        ASSERT_EQ(browser->requests.size(), 1u);
        EXPECT_EQ(std::string(browser->requests[0].url.begin(), browser->requests[0].url.end()), base + "/help.php");
        EXPECT_TRUE(::IsWindowVisible(busy));
        EXPECT_TRUE(d.Growing());
        ::ShowWindow(caption, SW_SHOW);
        PumpFor(100);
        EXPECT_EQ(Height(window), 128);

        // A frame's completion and look-alike addresses trigger nothing.
        CompletePage(browser, nullptr, base + "/help.php");
        for (const char* path : {"/help.php?x=1", "/help.php#top", "/Help.php", "/result_page.php?Desktop",
                                 "/result_page.php?desktop&again"}) {
            CompletePage(browser, top, base + path);
        }
        PumpFor(200);
        EXPECT_EQ(Height(window), 128);
        EXPECT_FALSE(::IsWindowVisible(d.Browser()));

        // The help page: browser shown, busy animation hidden, caption left alone, the window grows
        // in 31 steps of 14 pixels up to 548 and the animation then ends.
        d.heights.clear();
        CompletePage(browser, top, base + "/help.php");
        EXPECT_TRUE(::IsWindowVisible(d.Browser()));
        EXPECT_FALSE(::IsWindowVisible(busy));
        EXPECT_TRUE(::IsWindowVisible(caption));
        PumpUntil([&d] { return !d.Growing(); }, 5000);
        EXPECT_FALSE(d.Growing());
        EXPECT_EQ(Height(window), 548);
        std::vector<int> expected;
        for (int height = 142; height <= 548; height += 14) {
            expected.push_back(height);
        }
        EXPECT_EQ(d.heights, expected);

        // A second click on About collapses first; the results page also hides the busy caption.
        d.Send(WM_COMMAND, MAKEWPARAM(1020, BN_CLICKED), reinterpret_cast<LPARAM>(d.GetDlgItem(1020)));
        EXPECT_EQ(Height(window), 128);
        EXPECT_EQ(std::string(browser->requests.back().url.begin(), browser->requests.back().url.end()),
                  base + "/about.php");
        CompletePage(browser, top, base + "/result_page.php?desktop");
        EXPECT_FALSE(::IsWindowVisible(caption));
        EXPECT_FALSE(::IsWindowVisible(busy));
        PumpUntil([&d] { return !d.Growing(); }, 5000);
        EXPECT_EQ(Height(window), 548);

        // The restore-point address runs the action on every load, without growing anything.
        RestorePointBoxCloser closer;
        d.Send(WM_COMMAND, MAKEWPARAM(1020, BN_CLICKED), reinterpret_cast<LPARAM>(d.GetDlgItem(1020)));
        CompletePage(browser, top, base + "/result_page.php?restore_point");
        CompletePage(browser, top, base + "/result_page.php?restore_point");
        PumpFor(500);
        EXPECT_EQ(closer.Closed(), 2);
        EXPECT_EQ(closer.LastText(),
                  "Cannot create a new System Restore Point. Please make sure this feature is enabled.");
        EXPECT_EQ(Height(window), 128);
    }};
    dialog.DoModal();
    EXPECT_TRUE(ran);
}

TEST_F(MainDialogTest, ClosingDuringAScanStopsItsThreadsWhileStillAnsweringThem)
{
    // Enough devices that the scan (25 ms a device) is still running when the window closes.
    TestDevices devices(GUID_DEVCLASS_SYSTEM);
    for (int i = 0; i < 120; ++i) {
        ASSERT_TRUE(devices.Add("PCI\\VEN_5555&DEV_" + std::to_string(1000 + i), "1.0"));
    }
    TestMainDialog dialog;
    bool scanning = false;
    dialog.steps = {[&](TestMainDialog& d) {
        const HWND options = ::GetDlgItem(d.m_hWnd, IDC_OPTIONS);
        d.Send(WM_COMMAND, MAKEWPARAM(IDC_SCAN, BN_CLICKED),
               reinterpret_cast<LPARAM>(::GetDlgItem(d.m_hWnd, IDC_SCAN)));
        // The monitor disables the options button through a message this loop must answer.
        PumpUntil([&] { return !::IsWindowEnabled(options); }, 5000);
        scanning = d.Scanning() && !::IsWindowEnabled(options);
    }};
    const DWORD start = ::GetTickCount();
    dialog.DoModal();
    EXPECT_TRUE(scanning);
    EXPECT_FALSE(dialog.Scanning());
    EXPECT_LT(::GetTickCount() - start, 9000u);
}

// Presses and releases a key at `window`, as the keyboard would queue it.
void PostKey(HWND window, WPARAM key)
{
    ::PostMessageA(window, WM_KEYDOWN, key, 1);
    ::PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

std::vector<std::pair<UINT, WPARAM>> Keys(const std::vector<MSG>& messages)
{
    std::vector<std::pair<UINT, WPARAM>> keys;
    for (const MSG& msg : messages) {
        keys.emplace_back(msg.message, msg.wParam);
    }
    return keys;
}

TEST_F(MainDialogTest, KeystrokesInAPageReachTheBrowserBeforeDialogNavigation)
{
    TestMainDialog dialog;
    WebBrowserDouble* browser = nullptr;
    HWND page = nullptr;
    dialog.steps = {
        [&](TestMainDialog& d) {
            browser = WebBrowserDouble::Latest();
            ASSERT_NE(browser, nullptr);
            ::ShowWindow(d.Browser(), SW_SHOW);
            // The user clicks into a text field of the page.
            ASSERT_TRUE(browser->ActivateUi());
            page = browser->Window();
            ASSERT_EQ(::GetFocus(), page);
            browser->usedKeys = {VK_TAB, VK_DELETE, VK_RETURN, 'C'};
            for (WPARAM key : {WPARAM(VK_TAB), WPARAM(VK_DELETE), WPARAM(VK_RETURN), WPARAM('C')}) {
                PostKey(page, key);
            }
        },
        [&](TestMainDialog&) {
            const std::vector<std::pair<UINT, WPARAM>> expected = {
                {WM_KEYDOWN, VK_TAB},    {WM_KEYUP, VK_TAB},    {WM_KEYDOWN, VK_DELETE}, {WM_KEYUP, VK_DELETE},
                {WM_KEYDOWN, VK_RETURN}, {WM_KEYUP, VK_RETURN}, {WM_KEYDOWN, 'C'},       {WM_KEYUP, 'C'},
            };
            EXPECT_EQ(Keys(browser->translated), expected);
            EXPECT_EQ(::GetFocus(), page) << "Tab used by the page moves no focus in the dialog";
            // A key the page does not use goes on to the dialog: Tab then leaves the page.
            browser->translated.clear();
            browser->usedKeys.clear();
            PostKey(page, VK_TAB);
        },
        [&](TestMainDialog&) {
            ASSERT_FALSE(browser->translated.empty());
            EXPECT_EQ(browser->translated.front().wParam, WPARAM(VK_TAB));
            EXPECT_NE(::GetFocus(), page);
            // Keys for the band's own controls, and keys once the page has given up its
            // activation, are not offered to it.
            browser->translated.clear();
            PostKey(::GetFocus(), 'A');
            browser->DeactivateUi();
            PostKey(page, VK_DELETE);
        },
        [&](TestMainDialog&) { EXPECT_TRUE(browser->translated.empty()); },
    };
    dialog.DoModal();
    EXPECT_NE(page, nullptr);
}

// Tab as the window's modal loop hands it to the dialog's keyboard handling; the id of the control
// that has the focus then.
int PressTab(HWND dialog)
{
    MSG msg = {::GetFocus(), WM_KEYDOWN, VK_TAB, 1, 0, {}};
    ::IsDialogMessageA(dialog, &msg);
    return ::GetDlgCtrlID(::GetFocus());
}

TEST_F(MainDialogTest, TheKeyboardReadsTheBandInOrderAndReachesTheResultsPage)
{
    TestMainDialog dialog;
    dialog.steps = {[](TestMainDialog& d) {
        WebBrowserDouble* browser = WebBrowserDouble::Latest();
        ASSERT_NE(browser, nullptr);
        EXPECT_EQ(::GetFocus(), d.GetDlgItem(IDC_SCAN)) << "the keyboard starts at Start";
        // Row by row from the left, as the eye reads the band; the hidden browser is left out.
        ::SetFocus(d.GetDlgItem(IDC_DOWNLOADS));
        std::vector<int> order;
        for (int i = 0; i < 8; ++i) {
            order.push_back(PressTab(d.m_hWnd));
        }
        EXPECT_EQ(order, (std::vector<int>{IDC_ABOUT_PAGE, IDC_HELP_PAGE, IDC_MINIMISE, IDC_MAXIMISE, IDC_CLOSE,
                                           IDC_OPTIONS, IDC_SCAN, IDC_DOWNLOADS}));

        // A loaded results page has the focus.
        CompletePage(browser, browser->TopLevelDispatch(), g_testServiceBaseUrl + kResultsPath);
        EXPECT_EQ(::GetFocus(), browser->Window());
        EXPECT_TRUE(d.PageActive());

        // From Start, Tab goes into the page, which takes the keys again.
        browser->DeactivateUi();
        ::SetFocus(d.GetDlgItem(IDC_SCAN));
        PressTab(d.m_hWnd);
        EXPECT_EQ(::GetFocus(), browser->Window());
        EXPECT_TRUE(d.PageActive());
    }};
    dialog.DoModal();
}

long Count(const std::vector<COLORREF>& pixels, COLORREF colour)
{
    return std::count(pixels.begin(), pixels.end(), colour);
}

// High contrast switched on and off while the window runs, as Windows tells a window
// (WM_SETTINGCHANGE with SPI_SETHIGHCONTRAST). Wine cannot switch it: the test answers the
// program's question itself (high_contrast_double.h).
void SwitchHighContrast(HWND window, bool on)
{
    SetHighContrastDouble(on);
    ::SendMessageA(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    PumpMessages();
}

TEST_F(MainDialogTest, HighContrastDrawsTheBandInTheSystemsColours)
{
    TestMainDialog dialog;
    dialog.steps = {[](TestMainDialog& d) {
        const HWND window = d.m_hWnd;
        const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
        const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
        ASSERT_NE(face, RGB(230, 230, 230)) << "the band's own grey would hide the difference";
        const std::vector<COLORREF> startImage = PaintedPixels(d.GetDlgItem(IDC_SCAN));

        SwitchHighContrast(window, true);
        EXPECT_EQ(BackgroundPixel(window, 5, 5), face);
        EXPECT_EQ(BackgroundPixel(window, 5, 80), face);
        const std::vector<COLORREF> start = PaintedPixels(d.GetDlgItem(IDC_SCAN));
        EXPECT_NE(start, startImage);
        EXPECT_GT(Count(start, text), 20) << "the word Start in the button text's colour";
        EXPECT_GT(Count(start, face), Count(start, text)) << "on the button face";

        const HWND options = d.GetDlgItem(IDC_OPTIONS);
        const std::vector<COLORREF> enabled = PaintedPixels(options);
        ::EnableWindow(options, FALSE);
        const std::vector<COLORREF> disabled = PaintedPixels(options);
        ::EnableWindow(options, TRUE);
        EXPECT_NE(disabled, enabled);
        EXPECT_GT(Count(disabled, ::GetSysColor(COLOR_GRAYTEXT)), 20) << "a disabled Options is grey";
        EXPECT_EQ(Count(disabled, text), 0);

        // Switched off again, the band is its pictures once more.
        SwitchHighContrast(window, false);
        EXPECT_TRUE(IsDarkRed(BackgroundPixel(window, 5, 5)));
        EXPECT_EQ(BackgroundPixel(window, 5, 80), RGB(230, 230, 230));
        EXPECT_EQ(PaintedPixels(d.GetDlgItem(IDC_SCAN)), startImage);
    }};
    dialog.DoModal();
    SetHighContrastDouble(false);
}

// A click of the left mouse button at a point of the screen, through the system's input queue.
void ClickAt(POINT point)
{
    ::SetCursorPos(point.x, point.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, input, sizeof(INPUT));
}

POINT CentreOf(HWND window)
{
    RECT rect;
    ::GetWindowRect(window, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

std::function<void(HWND)> g_sheetBody;

void CALLBACK RunSheetBodyOnceUp(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND sheet = ::FindWindowA(nullptr, "Korvala 2007 Options");
    if (!sheet || !::IsWindowVisible(sheet)) {
        return;
    }
    ::KillTimer(nullptr, timer);
    g_sheetBody(sheet);
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

TEST_F(MainDialogTest, TheOptionsSheetIsOwnedByTheWindowWhichCannotBeUsedMeanwhile)
{
    CWinApp app;
    TestMainDialog dialog;
    app.m_pMainWnd = &dialog;
    dialog.steps = {[&](TestMainDialog& d) {
        WebBrowserDouble* browser = WebBrowserDouble::Latest();
        ASSERT_NE(browser, nullptr);
        const HWND help = d.GetDlgItem(IDC_HELP_PAGE);
        // A real click reaches the band's buttons while nothing covers them.
        browser->requests.clear();
        ClickAt(CentreOf(help));
        PumpUntil([&] { return !browser->requests.empty(); }, 3000);
        ASSERT_EQ(browser->requests.size(), 1u) << "the click on Help came through";

        bool ran = false;
        g_sheetBody = [&](HWND sheet) {
            ran = true;
            EXPECT_EQ(::GetWindow(sheet, GW_OWNER), d.m_hWnd);
            EXPECT_FALSE(::IsWindowEnabled(d.m_hWnd));
            // Out of the way of the band's buttons, which a click now must not reach.
            ::SetWindowPos(sheet, nullptr, 300, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            ClickAt(CentreOf(d.GetDlgItem(IDC_SCAN)));
            ClickAt(CentreOf(help));
            PumpFor(500);
            EXPECT_FALSE(d.Scanning());
            EXPECT_EQ(browser->requests.size(), 1u);
        };
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &RunSheetBodyOnceUp);
        d.Send(WM_COMMAND, MAKEWPARAM(IDC_OPTIONS, BN_CLICKED), reinterpret_cast<LPARAM>(d.GetDlgItem(IDC_OPTIONS)));
        ::KillTimer(nullptr, timer);
        EXPECT_TRUE(ran);
        EXPECT_TRUE(::IsWindowEnabled(d.m_hWnd));
        EXPECT_EQ(::GetActiveWindow(), d.m_hWnd);
    }};
    dialog.DoModal();
    app.m_pMainWnd = nullptr;
}

}  // namespace
