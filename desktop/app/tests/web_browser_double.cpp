#include "web_browser_double.h"

#include <exdispid.h>
#include <mshtmhst.h>
#include <olectl.h>

namespace {

WebBrowserDouble* g_latest = nullptr;

class DoubleFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* created = new WebBrowserDouble();
        HRESULT result = created->QueryInterface(iid, object);
        if (g_latest) {
            g_latest->Release();
        }
        g_latest = created;  // keeps the creation's reference
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

DoubleFactory g_factory;

}  // namespace

WebBrowserDouble* WebBrowserDouble::Latest()
{
    return g_latest;
}

DWORD WebBrowserDouble::Register()
{
    DWORD cookie = 0;
    ::CoRegisterClassObject(CLSID_WebBrowser, &g_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    return cookie;
}

void WebBrowserDouble::Revoke(DWORD cookie)
{
    ::CoRevokeClassObject(cookie);
    if (g_latest) {
        g_latest->Release();
        g_latest = nullptr;
    }
}

WebBrowserDouble::~WebBrowserDouble()
{
    if (m_sink) {
        m_sink->Release();
    }
    if (m_site) {
        m_site->Release();
    }
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::QueryInterface(REFIID iid, void** object)
{
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IWebBrowser || iid == IID_IWebBrowserApp ||
        iid == IID_IWebBrowser2) {
        *object = static_cast<IWebBrowser2*>(this);
    } else if (iid == IID_IOleObject) {
        *object = static_cast<IOleObject*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) {
        *object = static_cast<IOleInPlaceObject*>(this);
    } else if (iid == IID_IOleInPlaceActiveObject) {
        *object = static_cast<IOleInPlaceActiveObject*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
        *object = static_cast<IConnectionPointContainer*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE WebBrowserDouble::Release()
{
    ULONG left = --m_references;
    if (left == 0) {
        delete this;
    }
    return left;
}

BOOL WebBrowserDouble::Fire(DISPID id, std::vector<VARIANT> arguments)
{
    if (!m_sink) {
        return FALSE;
    }
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS parameters = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    m_sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
    return TRUE;
}

static std::string ByteArray(const VARIANT* value)
{
    if (!value || value->vt != (VT_ARRAY | VT_UI1) || !value->parray) {
        return std::string();
    }
    void* data = nullptr;
    ::SafeArrayAccessData(value->parray, &data);
    std::string bytes(static_cast<const char*>(data), value->parray->rgsabound[0].cElements);
    ::SafeArrayUnaccessData(value->parray);
    return bytes;
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::Navigate(BSTR url, VARIANT*, VARIANT*, VARIANT* postData, VARIANT*)
{
    requests.push_back({url ? url : L"", postData ? postData->vt : VARTYPE(VT_ERROR), ByteArray(postData)});
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT* postData, VARIANT*)
{
    std::wstring address = url && url->vt == VT_BSTR && url->bstrVal ? url->bstrVal : L"";
    requests.push_back({address, postData ? postData->vt : VARTYPE(VT_ERROR), ByteArray(postData)});
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::get_Document(IDispatch** document)
{
    // As Wine's control: no document ever.
    *document = nullptr;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::SetClientSite(IOleClientSite* site)
{
    if (m_site) {
        m_site->Release();
    }
    m_site = site;
    if (m_site) {
        m_site->AddRef();
    }
    hasSite = site != nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::GetClientSite(IOleClientSite** site)
{
    *site = m_site;
    if (m_site) {
        m_site->AddRef();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT rect)
{
    if (verb == OLEIVERB_INPLACEACTIVATE && !m_window && parent && rect) {
        m_window = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, rect->left, rect->top,
                                     rect->right - rect->left, rect->bottom - rect->top, parent, nullptr,
                                     ::GetModuleHandleA(nullptr), nullptr);
    }
    // As the real control: UI activation puts the focus into the page.
    if (verb == OLEIVERB_UIACTIVATE && m_window) {
        ActivateUi();
    }
    return S_OK;
}

IOleInPlaceFrame* WebBrowserDouble::Frame() const
{
    IOleInPlaceSite* site = nullptr;
    if (!m_site || FAILED(m_site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&site)))) {
        return nullptr;
    }
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT position, clip;
    OLEINPLACEFRAMEINFO info = {};
    info.cb = sizeof(info);
    if (FAILED(site->GetWindowContext(&frame, &document, &position, &clip, &info))) {
        frame = nullptr;
    }
    if (document) {
        document->Release();
    }
    site->Release();
    return frame;
}

BOOL WebBrowserDouble::HostUiFlags(DWORD& flags) const
{
    IDocHostUIHandler* handler = nullptr;
    if (!m_site || FAILED(m_site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&handler)))) {
        return FALSE;
    }
    DOCHOSTUIINFO info = {};
    info.cbSize = sizeof(info);
    const HRESULT result = handler->GetHostInfo(&info);
    handler->Release();
    flags = info.dwFlags;
    return SUCCEEDED(result);
}

BOOL WebBrowserDouble::ActivateUi()
{
    IOleInPlaceFrame* frame = Frame();
    if (!frame) {
        return FALSE;
    }
    frame->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), L"Web Browser double");
    frame->Release();
    ::SetFocus(m_window);
    return TRUE;
}

void WebBrowserDouble::DeactivateUi()
{
    if (IOleInPlaceFrame* frame = Frame()) {
        frame->SetActiveObject(nullptr, nullptr);
        frame->Release();
    }
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::GetWindow(HWND* window)
{
    *window = m_window;
    return m_window ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::TranslateAccelerator(LPMSG msg)
{
    translated.push_back(*msg);
    for (WPARAM key : usedKeys) {
        if (msg->wParam == key) {
            return S_OK;
        }
    }
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::FindConnectionPoint(REFIID iid, IConnectionPoint** point)
{
    if (iid != DIID_DWebBrowserEvents2) {
        *point = nullptr;
        return CONNECT_E_NOCONNECTION;
    }
    *point = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::GetConnectionInterface(IID* iid)
{
    *iid = DIID_DWebBrowserEvents2;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    *container = static_cast<IConnectionPointContainer*>(this);
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::Advise(IUnknown* sink, DWORD* cookie)
{
    if (m_sink || FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_sink)))) {
        return CONNECT_E_ADVISELIMIT;
    }
    *cookie = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WebBrowserDouble::Unadvise(DWORD cookie)
{
    if (cookie != 1 || !m_sink) {
        return CONNECT_E_NOCONNECTION;
    }
    m_sink->Release();
    m_sink = nullptr;
    return S_OK;
}

VARIANT DispatchArgument(IDispatch* dispatch)
{
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_DISPATCH;
    value.pdispVal = dispatch;
    return value;
}

VARIANT ReferenceArgument(VARIANT* target)
{
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_BYREF | VT_VARIANT;
    value.pvarVal = target;
    return value;
}

VARIANT NumberArgument(LONG value)
{
    VARIANT number;
    ::VariantInit(&number);
    number.vt = VT_I4;
    number.lVal = value;
    return number;
}

VARIANT TextArgument(const wchar_t* text)
{
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = ::SysAllocString(text);
    return value;
}
