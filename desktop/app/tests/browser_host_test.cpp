// The browser host over a stand-in for the Web Browser control (Wine's control renders nothing
// and fires no completion events): events become notifications, navigation and posting.
#include "result_browser.h"
#include "test_service_base_url.h"
#include "web_browser_double.h"

#include <exdispid.h>
#include <mshtmhst.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Received {
    HWND from;
    UINT_PTR id;
    UINT code;
    std::string url, targetFrame, postData, headers, text;
    LONG progress, progressMax;
};

std::vector<Received> g_received;
LRESULT g_beforeNavigateAnswer = 0;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY) {
        const auto* record = reinterpret_cast<const BrowserNotify*>(lParam);
        g_received.push_back({record->hdr.hwndFrom, record->hdr.idFrom, record->hdr.code, record->url,
                              record->targetFrame,
                              record->postData ? std::string(reinterpret_cast<const char*>(record->postData),
                                                             static_cast<size_t>(record->postDataLength))
                                               : std::string(),
                              record->headers, record->text, record->progress, record->progressMax});
        return record->hdr.code == kNotifyBeforeNavigate2 ? g_beforeNavigateAnswer : 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

class BrowserHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::OleInitialize(nullptr);
        m_cookie = WebBrowserDouble::Register();
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ParentProc;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "BrowserHostTestParent";
        ::RegisterClassA(&windowClass);
        m_parent = ::CreateWindowExA(0, "BrowserHostTestParent", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                     nullptr, ::GetModuleHandleA(nullptr), nullptr);
        g_received.clear();
        g_beforeNavigateAnswer = 0;
    }
    void TearDown() override
    {
        ::DestroyWindow(m_parent);
        WebBrowserDouble::Revoke(m_cookie);
        ::OleUninitialize();
    }

    HWND m_parent = nullptr;
    DWORD m_cookie = 0;
};

const RECT kRect = {10, 20, 310, 220};

TEST_F(BrowserHostTest, EventsOfTheTopLevelBrowserBecomeNotifications)
{
    CBrowserHost host;
    ASSERT_TRUE(host.Create(WS_VISIBLE, kRect, m_parent, 1000));
    WebBrowserDouble* browser = WebBrowserDouble::Latest();
    ASSERT_NE(browser, nullptr);
    ASSERT_EQ(browser->requests.size(), 1u);
    EXPECT_EQ(browser->requests[0].url, L"about:blank");

    VARIANT url = TextArgument(L"http://h/a?b");
    VARIANT target = TextArgument(L"_self");
    VARIANT headers = TextArgument(L"X-A: 1\r\n");
    VARIANT flags = NumberArgument(0);
    VARIANT post;
    ::VariantInit(&post);
    post.vt = VT_ARRAY | VT_UI1;
    post.parray = ::SafeArrayCreateVector(VT_UI1, 5, 3);  // lower bound 5: the bytes still count
    void* data = nullptr;
    ::SafeArrayAccessData(post.parray, &data);
    memcpy(data, "x\0y", 3);
    ::SafeArrayUnaccessData(post.parray);
    VARIANT_BOOL cancel = VARIANT_TRUE;
    VARIANT cancelArgument;
    cancelArgument.vt = VT_BYREF | VT_BOOL;
    cancelArgument.pboolVal = &cancel;
    IDispatch* top = browser->TopLevelDispatch();

    browser->Fire(DISPID_BEFORENAVIGATE2,
                  {DispatchArgument(top), ReferenceArgument(&url), ReferenceArgument(&flags),
                   ReferenceArgument(&target), ReferenceArgument(&post), ReferenceArgument(&headers), cancelArgument});
    EXPECT_EQ(cancel, VARIANT_FALSE);
    g_beforeNavigateAnswer = 1;
    browser->Fire(DISPID_BEFORENAVIGATE2,
                  {DispatchArgument(top), ReferenceArgument(&url), ReferenceArgument(&flags),
                   ReferenceArgument(&target), ReferenceArgument(&post), ReferenceArgument(&headers), cancelArgument});
    EXPECT_EQ(cancel, VARIANT_TRUE);
    browser->Fire(DISPID_DOCUMENTCOMPLETE, {DispatchArgument(top), ReferenceArgument(&url)});
    browser->Fire(DISPID_DOWNLOADBEGIN, {});
    browser->Fire(DISPID_PROGRESSCHANGE, {NumberArgument(40), NumberArgument(100)});
    browser->Fire(DISPID_DOWNLOADCOMPLETE, {});
    browser->Fire(DISPID_NAVIGATECOMPLETE2, {DispatchArgument(top), ReferenceArgument(&url)});
    browser->Fire(DISPID_STATUSTEXTCHANGE, {target});
    browser->Fire(DISPID_TITLECHANGE, {headers});

    ASSERT_EQ(g_received.size(), 9u);
    const UINT codes[] = {0, 0, 1, 2, 3, 4, 5, 6, 7};
    for (size_t i = 0; i < g_received.size(); ++i) {
        EXPECT_EQ(g_received[i].code, codes[i]) << i;
        EXPECT_EQ(g_received[i].from, host.m_hWnd);
        EXPECT_EQ(g_received[i].id, 1000u);
    }
    EXPECT_EQ(g_received[0].url, "http://h/a?b");
    EXPECT_EQ(g_received[0].targetFrame, "_self");
    EXPECT_EQ(g_received[0].postData, std::string("x\0y", 3));
    EXPECT_EQ(g_received[0].headers, "X-A: 1\r\n");
    EXPECT_EQ(g_received[2].url, "http://h/a?b");
    EXPECT_EQ(g_received[2].postData, "");
    EXPECT_EQ(g_received[2].targetFrame, "");
    EXPECT_EQ(g_received[4].progress, 40);
    EXPECT_EQ(g_received[4].progressMax, 100);
    EXPECT_EQ(g_received[6].url, "http://h/a?b");
    EXPECT_EQ(g_received[7].text, "_self");
    EXPECT_EQ(g_received[8].text, "X-A: 1\r\n");

    // Events of a frame inside the page carry another dispatch: dropped. So are arguments of the
    // wrong type or too few of them.
    g_received.clear();
    WebBrowserDouble* frame = new WebBrowserDouble();
    browser->Fire(DISPID_DOCUMENTCOMPLETE, {DispatchArgument(frame->TopLevelDispatch()), ReferenceArgument(&url)});
    browser->Fire(DISPID_NAVIGATECOMPLETE2, {DispatchArgument(frame->TopLevelDispatch()), ReferenceArgument(&url)});
    browser->Fire(DISPID_BEFORENAVIGATE2,
                  {DispatchArgument(frame->TopLevelDispatch()), ReferenceArgument(&url), ReferenceArgument(&flags),
                   ReferenceArgument(&target), ReferenceArgument(&post), ReferenceArgument(&headers), cancelArgument});
    browser->Fire(DISPID_DOCUMENTCOMPLETE, {});
    browser->Fire(DISPID_DOCUMENTCOMPLETE, {NumberArgument(1), ReferenceArgument(&url)});
    EXPECT_TRUE(g_received.empty());
    // A URL that is not text reads as empty.
    browser->Fire(DISPID_DOCUMENTCOMPLETE, {DispatchArgument(top), flags});
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].url, "");
    frame->Release();

    ::VariantClear(&url);
    ::VariantClear(&target);
    ::VariantClear(&headers);
    ::VariantClear(&post);
}

TEST_F(BrowserHostTest, TheResultBrowserLetsEveryNavigationGoAhead)
{
    CResultBrowser host;
    ASSERT_TRUE(host.Create(WS_VISIBLE, kRect, m_parent, 1000));
    WebBrowserDouble* browser = WebBrowserDouble::Latest();
    VARIANT url = TextArgument(L"http://h/");
    VARIANT_BOOL cancel = VARIANT_TRUE;
    VARIANT cancelArgument;
    cancelArgument.vt = VT_BYREF | VT_BOOL;
    cancelArgument.pboolVal = &cancel;
    VARIANT empty;
    ::VariantInit(&empty);
    g_beforeNavigateAnswer = 1;
    browser->Fire(DISPID_BEFORENAVIGATE2, {DispatchArgument(browser->TopLevelDispatch()), ReferenceArgument(&url),
                                           empty, empty, empty, empty, cancelArgument});
    EXPECT_EQ(cancel, VARIANT_FALSE);
    browser->Fire(DISPID_DOCUMENTCOMPLETE, {DispatchArgument(browser->TopLevelDispatch()), ReferenceArgument(&url)});
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].code, 1u);
    ::VariantClear(&url);
}

TEST_F(BrowserHostTest, NavigationRefusesDownloadsAndThePostCarriesTheRawDocument)
{
    g_testServiceBaseUrl = "http://service.test:81";
    CBrowserHost host;
    ASSERT_TRUE(host.Create(WS_VISIBLE, kRect, m_parent, 1000));
    WebBrowserDouble* browser = WebBrowserDouble::Latest();
    browser->requests.clear();
    for (const char* url :
         {"http://h/a.zip", "http://h/a.exe", "http://h/a.rar", "http://h/a.ZIP", "http://h/help.php"}) {
        host.Navigate(url);
    }
    const std::string document("<ScanXML>\r\n\x01\xff\0tail", 17);
    host.PostDocument(document);
    host.PostDocument("");
    ASSERT_EQ(browser->requests.size(), 4u);
    EXPECT_EQ(browser->requests[0].url, L"http://h/a.ZIP");
    EXPECT_EQ(browser->requests[1].url, L"http://h/help.php");
    EXPECT_EQ(browser->requests[1].postDataType, VT_BSTR);
    EXPECT_EQ(browser->requests[2].url, L"http://service.test:81/result_page.php?desktop");
    EXPECT_EQ(browser->requests[2].postDataType, VT_ARRAY | VT_UI1);
    EXPECT_EQ(browser->requests[2].postData, document);
    EXPECT_EQ(browser->requests[3].postDataType, VT_ARRAY | VT_UI1);
    EXPECT_EQ(browser->requests[3].postData, "");
    g_testServiceBaseUrl = "http://127.0.0.1:8077";
}

TEST_F(BrowserHostTest, TellsThePageEngineThatTheProgramIsDpiAware)
{
    // Windows hands a DPI-aware program the real DPI and scales nothing of its window: the page
    // engine scales the pages only when its host says that it is DPI-aware.
    CBrowserHost host;
    ASSERT_TRUE(host.Create(WS_VISIBLE, kRect, m_parent, 1000));
    DWORD flags = 0;
    ASSERT_TRUE(WebBrowserDouble::Latest()->HostUiFlags(flags));
    EXPECT_EQ(flags & DOCHOSTUIFLAG_DPI_AWARE, static_cast<DWORD>(DOCHOSTUIFLAG_DPI_AWARE));
}

TEST_F(BrowserHostTest, ReplacesAPlaceholderAndFitsToItsClientArea)
{
    HWND placeholder = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 60, 300, 200, m_parent,
                                         reinterpret_cast<HMENU>(1000), nullptr, nullptr);
    ASSERT_NE(placeholder, nullptr);
    CBrowserHost host;
    EXPECT_FALSE(host.CreateFromControl(m_parent, 1234));
    ASSERT_TRUE(host.CreateFromControl(m_parent, 1000));
    EXPECT_FALSE(::IsWindow(placeholder));
    EXPECT_EQ(::GetDlgItem(m_parent, 1000), host.m_hWnd);
    RECT rect = host.WindowRect();
    ::MapWindowPoints(nullptr, m_parent, reinterpret_cast<POINT*>(&rect), 2);
    const int scroll = ::GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 60);
    EXPECT_EQ(rect.right - rect.left, 300 + scroll);
    EXPECT_EQ(rect.bottom - rect.top, 200 + ::GetSystemMetrics(SM_CYVSCROLL) - 5);
    RECT region = {};
    HRGN probe = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(::GetWindowRgn(host, probe), SIMPLEREGION);
    ::GetRgnBox(probe, &region);
    EXPECT_EQ(region.right, 300 + scroll - 2);
    EXPECT_EQ(region.bottom, 198);
    host.FitToClient();
    EXPECT_EQ(::GetWindowRgn(host, probe), ERROR);
    ::DeleteObject(probe);
}

}  // namespace
