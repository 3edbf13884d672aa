#include "browser_site.h"

#include "browser_host.h"

#include <exdisp.h>

const InterfaceEntry<CBrowserSite> CBrowserSite::kInterfaces[] = {
    {&IID_IUnknown, InterfaceThrough<CBrowserSite, IOleClientSite>},
    {&IID_IOleClientSite, InterfaceThrough<CBrowserSite, IOleClientSite>},
    {&IID_IOleWindow, InterfaceThrough<CBrowserSite, IOleInPlaceSite>},
    {&IID_IOleInPlaceSite, InterfaceThrough<CBrowserSite, IOleInPlaceSite>},
    {&IID_IOleInPlaceUIWindow, InterfaceThrough<CBrowserSite, IOleInPlaceFrame>},
    {&IID_IOleInPlaceFrame, InterfaceThrough<CBrowserSite, IOleInPlaceFrame>},
    {&IID_IDocHostUIHandler, InterfaceThrough<CBrowserSite, IDocHostUIHandler>},
    {&IID_IDispatch, InterfaceThrough<CBrowserSite, IDispatch>},
    {&DIID_DWebBrowserEvents2, InterfaceThrough<CBrowserSite, IDispatch>},
};

HRESULT STDMETHODCALLTYPE CBrowserSite::QueryInterface(REFIID iid, void** object)
{
    return QueryInterfaceByTable(*this, kInterfaces, iid, object);
}

ULONG STDMETHODCALLTYPE CBrowserSite::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_references));
}

ULONG STDMETHODCALLTYPE CBrowserSite::Release()
{
    LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

void CBrowserSite::Detach()
{
    m_host = nullptr;
    m_activeObject.Reset();
}

HRESULT STDMETHODCALLTYPE CBrowserSite::GetHostInfo(DOCHOSTUIINFO* info)
{
    if (!info || info->cbSize < sizeof(DOCHOSTUIINFO)) {
        return E_INVALIDARG;
    }
    // The program declares itself DPI-aware, so Windows no longer scales its window: the page
    // engine must scale the pages itself, or they show at 100 % in a window scaled for the desktop.
    info->dwFlags = DOCHOSTUIFLAG_DPI_AWARE;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    info->pchHostCss = nullptr;
    info->pchHostNS = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBrowserSite::SetActiveObject(IOleInPlaceActiveObject* activeObject, LPCOLESTR)
{
    m_activeObject = ComPtr<IOleInPlaceActiveObject>(activeObject);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker) {
        *moniker = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBrowserSite::GetContainer(IOleContainer** container)
{
    if (container) {
        *container = nullptr;
    }
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CBrowserSite::GetWindow(HWND* window)
{
    if (!window) {
        return E_POINTER;
    }
    *window = m_host ? m_host->m_hWnd : nullptr;
    return *window ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE CBrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                         LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo)
{
    if (!frame || !document || !position || !clip || !frameInfo) {
        return E_POINTER;
    }
    *document = nullptr;
    if (!m_host || !m_host->m_hWnd) {
        *frame = nullptr;
        return E_FAIL;
    }
    *frame = ComPtr<IOleInPlaceFrame>(this).Detach();
    ::GetClientRect(m_host->m_hWnd, position);
    *clip = *position;
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = ::GetAncestor(m_host->m_hWnd, GA_ROOT);
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBrowserSite::GetTypeInfoCount(UINT* count)
{
    if (!count) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBrowserSite::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*,
                                               EXCEPINFO*, UINT*)
{
    if (m_host && parameters) {
        // Keep this object alive should the handler let the control go.
        ComPtr<IDispatch> alive(this);
        m_host->HandleBrowserEvent(id, *parameters);
    }
    return S_OK;
}
