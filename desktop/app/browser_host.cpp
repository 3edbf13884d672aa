#include "browser_host.h"

#include "service_base_url.h"
#include "scoped_variant.h"
#include "service_pages.h"
#include "unique_handle.h"
#include "wide_text.h"

#include <mshtml.h>

#include <cstring>

namespace {

const char kHostClassName[] = "KorvalaBrowserHost";
const UINT kControlId = 0xE900;
// The longest wait for the blank page after creation: a control that never delivers a document
// must not hold up the program's start.
const DWORD kBlankPageWaitMs = 3000;

void RegisterHostClass()
{
    WNDCLASSA windowClass = {};
    if (::GetClassInfoA(::GetModuleHandleA(nullptr), kHostClassName, &windowClass)) {
        return;
    }
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ::DefWindowProcA;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kHostClassName;
    ::RegisterClassA(&windowClass);
}

void PumpWaitingMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

}  // namespace

CBrowserHost::~CBrowserHost()
{
    ReleaseControl();
}

BOOL CBrowserHost::Create(DWORD style, const RECT& rect, HWND parent, UINT id)
{
    RegisterHostClass();
    if (parent) {
        style |= WS_CHILD | WS_CLIPCHILDREN;
    }
    HWND window =
        ::CreateWindowExA(WS_EX_CONTROLPARENT, kHostClassName, "", style, rect.left, rect.top, rect.right - rect.left,
                          rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                          ::GetModuleHandleA(nullptr), nullptr);
    if (!window) {
        return FALSE;
    }
    SubclassWindow(window);
    const RECT controlRect = {0, 0, rect.right - rect.left, rect.bottom - rect.top};
    if (!CreateControl(controlRect)) {
        ReleaseControl();
        ::DestroyWindow(window);
        return FALSE;
    }
    Navigate("about:blank");
    WaitForBlankPage();
    return TRUE;
}

BOOL CBrowserHost::CreateControl(const RECT& rect)
{
    if (FAILED(m_oleObject.CreateInstance(CLSID_WebBrowser))) {
        return FALSE;
    }
    // From here on every way out leaves the site to ReleaseControl, which the failing Create calls.
    m_site.Attach(new CBrowserSite(this));
    m_oleObject->SetClientSite(static_cast<IOleClientSite*>(m_site.Get()));
    if (FAILED(m_oleObject.QueryInterface(m_browser)) || FAILED(m_oleObject.QueryInterface(m_dispatch))) {
        return FALSE;
    }
    ComPtr<IConnectionPointContainer> container;
    if (SUCCEEDED(m_oleObject.QueryInterface(container)) &&
        SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, m_events.Receive())) &&
        FAILED(m_events->Advise(static_cast<IDispatch*>(m_site.Get()), &m_eventsCookie))) {
        m_events.Reset();
    }
    RECT position = rect;
    m_oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(m_site.Get()), 0, m_hWnd,
                        &position);
    AttachControlWindow();
    return TRUE;
}

void CBrowserHost::AttachControlWindow()
{
    ComPtr<IOleInPlaceObject> inPlace;
    if (FAILED(m_oleObject.QueryInterface(inPlace)) || !inPlace) {
        return;
    }
    HWND control = nullptr;
    if (SUCCEEDED(inPlace->GetWindow(&control)) && control && m_controlWindow.SubclassWindow(control)) {
        ::SetWindowLongPtrA(control, GWLP_ID, kControlId);
        m_controlWindow.ModifyStyle(0, WS_VISIBLE | WS_TABSTOP);
    }
}

void CBrowserHost::WaitForBlankPage()
{
    const DWORD start = ::GetTickCount();
    while (m_browser && ::GetTickCount() - start < kBlankPageWaitMs) {
        PumpWaitingMessages();
        ComPtr<IDispatch> document;
        if (m_browser->get_Document(document.Receive()) != S_OK) {
            return;
        }
        if (document) {
            ComPtr<IHTMLDocument2> html;
            if (document.QueryInterface(html) != S_OK || html) {
                return;
            }
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void CBrowserHost::ReleaseControl()
{
    if (m_controlWindow.m_hWnd) {
        m_controlWindow.UnsubclassWindow();
    }
    if (m_events) {
        m_events->Unadvise(m_eventsCookie);
        m_events.Reset();
    }
    m_browser.Reset();
    m_dispatch.Reset();
    if (m_oleObject) {
        m_oleObject->Close(OLECLOSE_NOSAVE);
        m_oleObject->SetClientSite(nullptr);
        m_oleObject.Reset();
    }
    if (m_site) {
        m_site->Detach();
        m_site.Reset();
    }
}

BOOL CBrowserHost::CreateFromControl(HWND dialog, int id)
{
    HWND placeholder = ::GetDlgItem(dialog, id);
    if (!placeholder) {
        return FALSE;
    }
    RECT rect;
    ::GetWindowRect(placeholder, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    // The placeholder's place in the Z order is its place in the dialog's tab order.
    HWND before = ::GetWindow(placeholder, GW_HWNDPREV);
    ::DestroyWindow(placeholder);
    if (!Create(WS_VISIBLE, rect, dialog, static_cast<UINT>(id))) {
        return FALSE;
    }
    const RECT client = ClientRect();
    const int scrollWidth = ::GetSystemMetrics(SM_CXVSCROLL);
    ::SetWindowPos(m_hWnd, before ? before : HWND_TOP, 0, 0, client.right + scrollWidth,
                   client.bottom + ::GetSystemMetrics(SM_CYVSCROLL) - 5, SWP_NOMOVE | SWP_NOACTIVATE);
    UniqueGdiObject<HRGN> region(::CreateRectRgn(0, 0, client.right + scrollWidth - 2, client.bottom - 2));
    // The window owns a region it has been given.
    if (region && ::SetWindowRgn(m_hWnd, region.Get(), FALSE)) {
        region.Detach();
    }
    return TRUE;
}

void CBrowserHost::Navigate(const std::string& url)
{
    if (!m_browser || IsRefusedDownload(url)) {
        return;
    }
    ScopedVariant address, flags, target, postData, headers;
    if (!address.SetText(AnsiToWide(url)) || !target.SetText(L"") || !postData.SetText(L"") || !headers.SetText(L"")) {
        return;
    }
    flags.value.vt = VT_I4;
    flags.value.lVal = 0;
    m_browser->Navigate(address.value.bstrVal, &flags.value, &target.value, &postData.value, &headers.value);
}

void CBrowserHost::PostDocument(const std::string& document)
{
    if (!m_browser) {
        return;
    }
    ScopedVariant url, flags, target, postData, headers;
    if (!url.SetText(AnsiToWide(std::string(ServiceBaseUrl()) + kResultsPath))) {
        return;
    }
    SAFEARRAY* bytes = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(document.size()));
    if (!bytes) {
        return;
    }
    postData.value.vt = VT_ARRAY | VT_UI1;
    postData.value.parray = bytes;
    if (!document.empty()) {
        void* data = nullptr;
        if (FAILED(::SafeArrayAccessData(bytes, &data))) {
            return;
        }
        std::memcpy(data, document.data(), document.size());
        ::SafeArrayUnaccessData(bytes);
    }
    m_browser->Navigate2(&url.value, &flags.value, &target.value, &postData.value, &headers.value);
}

void CBrowserHost::FitToClient()
{
    const RECT client = ClientRect();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, client.right, client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowRgn(m_hWnd, nullptr, TRUE);
}

void CBrowserHost::FocusPage()
{
    if (!m_oleObject || !m_site) {
        return;
    }
    RECT client = ClientRect();
    m_oleObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, static_cast<IOleClientSite*>(m_site.Get()), 0, m_hWnd, &client);
}

// Once the control is UI-active, its window hands the focus on to the page itself.
LRESULT CBrowserControlWindow::OnSetFocus(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    LRESULT result = DefaultProc(message, wParam, lParam);
    if (!m_host.IsPageActive()) {
        m_host.FocusPage();
    }
    return result;
}

BOOL CBrowserHost::PreTranslateMessage(MSG* msg)
{
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !m_site) {
        return FALSE;
    }
    // Held: the control may give up its activation while it handles the key.
    ComPtr<IOleInPlaceActiveObject> active(m_site->ActiveObject());
    if (!active || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd))) {
        return FALSE;
    }
    return active->TranslateAccelerator(msg) == S_OK;
}

LRESULT CBrowserHost::OnSize(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    if (m_browser && m_controlWindow.m_hWnd) {
        ::MoveWindow(m_controlWindow.m_hWnd, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    }
    return 0;
}

LRESULT CBrowserHost::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled)
{
    ReleaseControl();
    handled = FALSE;
    return 0;
}
