#include "browser_host.h"

#include "browser_site.h"
#include "service_base_url.h"
#include "service_pages.h"
#include "wide_text.h"

#include <mshtml.h>

#include <cstring>

namespace {

const char kHostClassName[] = "KorvalaBrowserHost";
const UINT kControlId = 0xE900;
// The longest wait for the blank page after creation: a control that never delivers a document
// must not hold up the program's start.
const DWORD kBlankPageWaitMs = 3000;

// A VARIANT that is cleared when it goes out of scope.
struct ScopedVariant {
    VARIANT value;
    ScopedVariant() { ::VariantInit(&value); }
    ~ScopedVariant() { ::VariantClear(&value); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;

    // Holds `text` as a BSTR; false when it can't be allocated.
    bool SetText(const std::string& text)
    {
        ::VariantClear(&value);
        std::wstring wide = AnsiToWide(text);
        BSTR bstr = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
        if (!bstr) {
            return false;
        }
        value.vt = VT_BSTR;
        value.bstrVal = bstr;
        return true;
    }
};

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
    HWND window = ::CreateWindowExA(0, kHostClassName, "", style, rect.left, rect.top, rect.right - rect.left,
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
    if (FAILED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(&m_oleObject)))) {
        m_oleObject = nullptr;
        return FALSE;
    }
    m_site = new CBrowserSite(this);
    m_oleObject->SetClientSite(static_cast<IOleClientSite*>(m_site));
    if (FAILED(m_oleObject->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&m_browser)))) {
        m_browser = nullptr;
        return FALSE;
    }
    if (FAILED(m_oleObject->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_dispatch)))) {
        m_dispatch = nullptr;
        return FALSE;
    }
    IConnectionPointContainer* container = nullptr;
    if (SUCCEEDED(m_oleObject->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)))) {
        if (SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &m_events)) &&
            FAILED(m_events->Advise(static_cast<IDispatch*>(m_site), &m_eventsCookie))) {
            m_events->Release();
            m_events = nullptr;
        }
        container->Release();
    }
    RECT position = rect;
    m_oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(m_site), 0, m_hWnd, &position);
    AttachControlWindow();
    return TRUE;
}

void CBrowserHost::AttachControlWindow()
{
    IOleInPlaceObject* inPlace = nullptr;
    if (FAILED(m_oleObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
        return;
    }
    HWND control = nullptr;
    if (SUCCEEDED(inPlace->GetWindow(&control)) && control && m_controlWindow.SubclassWindow(control)) {
        ::SetWindowLongPtrA(control, GWLP_ID, kControlId);
        m_controlWindow.ModifyStyle(0, WS_VISIBLE | WS_TABSTOP);
    }
    inPlace->Release();
}

void CBrowserHost::WaitForBlankPage()
{
    const DWORD start = ::GetTickCount();
    while (m_browser && ::GetTickCount() - start < kBlankPageWaitMs) {
        PumpWaitingMessages();
        IDispatch* document = nullptr;
        if (m_browser->get_Document(&document) != S_OK) {
            return;
        }
        if (document) {
            IHTMLDocument2* html = nullptr;
            HRESULT result = document->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&html));
            document->Release();
            if (result != S_OK) {
                return;
            }
            if (html) {
                html->Release();
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
        m_events->Release();
        m_events = nullptr;
    }
    if (m_browser) {
        m_browser->Release();
        m_browser = nullptr;
    }
    if (m_dispatch) {
        m_dispatch->Release();
        m_dispatch = nullptr;
    }
    if (m_oleObject) {
        m_oleObject->Close(OLECLOSE_NOSAVE);
        m_oleObject->SetClientSite(nullptr);
        m_oleObject->Release();
        m_oleObject = nullptr;
    }
    if (m_site) {
        m_site->Detach();
        m_site->Release();
        m_site = nullptr;
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
    ::DestroyWindow(placeholder);
    if (!Create(WS_VISIBLE, rect, dialog, static_cast<UINT>(id))) {
        return FALSE;
    }
    const RECT client = ClientRect();
    const int scrollWidth = ::GetSystemMetrics(SM_CXVSCROLL);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, client.right + scrollWidth,
                   client.bottom + ::GetSystemMetrics(SM_CYVSCROLL) - 5, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HRGN region = ::CreateRectRgn(0, 0, client.right + scrollWidth - 2, client.bottom - 2);
    if (region && !::SetWindowRgn(m_hWnd, region, FALSE)) {
        ::DeleteObject(region);
    }
    return TRUE;
}

void CBrowserHost::Navigate(const std::string& url)
{
    if (!m_browser || IsRefusedDownload(url)) {
        return;
    }
    ScopedVariant flags, target, postData, headers;
    const std::wstring wide = AnsiToWide(url);
    BSTR address = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!address || !target.SetText("") || !postData.SetText("") || !headers.SetText("")) {
        ::SysFreeString(address);
        return;
    }
    flags.value.vt = VT_I4;
    flags.value.lVal = 0;
    m_browser->Navigate(address, &flags.value, &target.value, &postData.value, &headers.value);
    ::SysFreeString(address);
}

void CBrowserHost::PostDocument(const std::string& document)
{
    if (!m_browser) {
        return;
    }
    ScopedVariant url, flags, target, postData, headers;
    if (!url.SetText(std::string(ServiceBaseUrl()) + kResultsPath)) {
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

BOOL CBrowserHost::PreTranslateMessage(MSG* msg)
{
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST || !m_site) {
        return FALSE;
    }
    IOleInPlaceActiveObject* active = m_site->ActiveObject();
    if (!active || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd))) {
        return FALSE;
    }
    // The control may give up its activation while it handles the key.
    active->AddRef();
    const HRESULT used = active->TranslateAccelerator(msg);
    active->Release();
    return used == S_OK;
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
