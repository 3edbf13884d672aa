// A stand-in for the Web Browser control, registered for the control's class in the test's
// apartment. Wine's real control renders no document and so never completes a page, and has no
// page whose fields take keystrokes; this one records what its host asks of it, lets the test fire
// the control's events, and takes the part of a page that the user has clicked into (UI
// activation) and that is given keystrokes.
#pragma once

#include <exdisp.h>
#include <ocidl.h>
#include <ole2.h>

#include <string>
#include <vector>

class WebBrowserDouble : public IWebBrowser2,
                         public IOleObject,
                         public IOleInPlaceObject,
                         public IOleInPlaceActiveObject,
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

    // As a click into a page does: UI activation, which hands the host's frame this object as the
    // active object, and the focus on the control's window. FALSE without an in-place site.
    BOOL ActivateUi();
    // As leaving the page does: the frame is told that there is no active object any more.
    void DeactivateUi();
    // The control's window, made when the host activates it in place.
    HWND Window() const { return m_window; }
    // As the page engine asks before it lays out a page: the flags of the client site's host UI
    // handler (IDocHostUIHandler::GetHostInfo). FALSE when the site has none or refuses.
    BOOL HostUiFlags(DWORD& flags) const;

    std::vector<Request> requests;  // Navigate and Navigate2 calls in order
    bool hasSite = false;
    // Every message given to TranslateAccelerator, in order; the keys in usedKeys are used (S_OK),
    // all others refused (S_FALSE).
    std::vector<MSG> translated;
    std::vector<WPARAM> usedKeys;

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
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT rect) override;
    HRESULT STDMETHODCALLTYPE Close(DWORD) override { return S_OK; }

    // IOleWindow, IOleInPlaceObject and IOleInPlaceActiveObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT, LPCRECT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

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

    // The host's frame, from the in-place site's window context; null without one.
    IOleInPlaceFrame* Frame() const;

    ULONG m_references = 1;
    IDispatch* m_sink = nullptr;
    IOleClientSite* m_site = nullptr;
    HWND m_window = nullptr;
};

// Builds event arguments.
VARIANT DispatchArgument(IDispatch* dispatch);
// A VT_BYREF | VT_VARIANT to `target` (the caller keeps `target` alive and clears it).
VARIANT ReferenceArgument(VARIANT* target);
VARIANT NumberArgument(LONG value);
// A BSTR VARIANT; the caller clears it.
VARIANT TextArgument(const wchar_t* text);
