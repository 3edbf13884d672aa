// A stand-in for the Web Browser control, registered for the control's class in the test's
// apartment. Wine's real control renders no document and so never completes a page; this one
// records what its host asks of it and lets the test fire the control's events.
#pragma once

#include <exdisp.h>
#include <ocidl.h>
#include <ole2.h>

#include <string>
#include <vector>

class WebBrowserDouble : public IWebBrowser2,
                         public IOleObject,
                         public IConnectionPointContainer,
                         public IConnectionPoint {
public:
    struct Request {
        std::wstring url;
        VARTYPE postDataType;
        std::string postData;  // the bytes of a VT_ARRAY | VT_UI1 post
    };

    WebBrowserDouble() = default;
    WebBrowserDouble(const WebBrowserDouble&) = delete;
    WebBrowserDouble& operator=(const WebBrowserDouble&) = delete;

    // The double the host's latest creation made (one reference held here), or null.
    static WebBrowserDouble* Latest();
    // Registers the double's factory for CLSID_WebBrowser; returns the registration cookie.
    static DWORD Register();
    static void Revoke(DWORD cookie);

    IDispatch* TopLevelDispatch() { return static_cast<IWebBrowser2*>(this); }
    // Calls the host's event sink; `arguments` in declaration order. FALSE without a sink.
    BOOL Fire(DISPID id, std::vector<VARIANT> arguments);

    std::vector<Request> requests;  // Navigate and Navigate2 calls in order
    bool hasSite = false;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // What the host uses
    HRESULT STDMETHODCALLTYPE Navigate(BSTR url, VARIANT*, VARIANT*, VARIANT* postData, VARIANT*) override;
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT* postData, VARIANT*) override;
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** document) override;
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override { return S_OK; }

    // IConnectionPointContainer and IConnectionPoint (DWebBrowserEvents2 only)
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include "web_browser_double_stubs.inc"
#pragma GCC diagnostic pop

private:
    virtual ~WebBrowserDouble();

    ULONG m_references = 1;
    IDispatch* m_sink = nullptr;
    IOleClientSite* m_site = nullptr;
};

// Builds event arguments.
VARIANT DispatchArgument(IDispatch* dispatch);
// A VT_BYREF | VT_VARIANT to `target` (the caller keeps `target` alive and clears it).
VARIANT ReferenceArgument(VARIANT* target);
VARIANT NumberArgument(LONG value);
// A BSTR VARIANT; the caller clears it.
VARIANT TextArgument(const wchar_t* text);
