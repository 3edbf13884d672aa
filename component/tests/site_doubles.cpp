// The doubles are built on the C form of the interfaces, whose method tables can be filled
// selectively: a browser or a document has a hundred methods, of which an object reads one.
#define CINTERFACE
#include "site_doubles.h"

#include <ole2.h>
#include <servprov.h>
#include <exdisp.h>
#include <mshtml.h>
#include <shlguid.h>

#include <atomic>

namespace {

std::atomic<long> liveDoubles{0};

struct DoubleObject;

// One interface of a double: its method table and the object behind it.
struct Facet {
    const void* methods;
    DoubleObject* owner;
};

template <typename Interface>
DoubleObject* OwnerOf(Interface* self)
{
    return reinterpret_cast<Facet*>(self)->owner;
}

struct DoubleObject {
    enum class Kind { Site, Browser, Document };

    DoubleObject(Kind kind, const void* primaryMethods, const void* secondaryMethods)
        : kind(kind), primary{primaryMethods, this}, secondary{secondaryMethods, this}
    {
        ++liveDoubles;
    }
    ~DoubleObject() { --liveDoubles; }

    HRESULT Query(REFIID riid, void** object);
    ULONG AddRef() { return ULONG(InterlockedIncrement(&references)); }
    ULONG Release()
    {
        LONG count = InterlockedDecrement(&references);
        if (count == 0)
            delete this;
        return ULONG(count);
    }
    // The address getter of a browser or document.
    HRESULT ReadAddress(BSTR* address) const
    {
        *address = nullptr;
        if (SUCCEEDED(page.result) && !page.noAddress)
            *address = SysAllocStringLen(page.address.data(), UINT(page.address.size()));
        return page.result;
    }

    Kind kind;
    Facet primary;    // IServiceProvider, IWebBrowser2 or IHTMLDocument2
    Facet secondary;  // IOleClientSite (site) or IOleContainer (document)
    LONG references = 1;
    SiteRoutes routes;  // a site's
    PageRoute page;     // a browser's or document's
};

template <typename Interface>
HRESULT STDMETHODCALLTYPE QueryFacet(Interface* self, REFIID riid, void** object)
{
    return OwnerOf(self)->Query(riid, object);
}

template <typename Interface>
ULONG STDMETHODCALLTYPE AddRefFacet(Interface* self)
{
    return OwnerOf(self)->AddRef();
}

template <typename Interface>
ULONG STDMETHODCALLTYPE ReleaseFacet(Interface* self)
{
    return OwnerOf(self)->Release();
}

template <typename Interface, typename Methods>
void SetUnknownMethods(Methods& methods)
{
    methods.QueryInterface = &QueryFacet<Interface>;
    methods.AddRef = &AddRefFacet<Interface>;
    methods.Release = &ReleaseFacet<Interface>;
}

HRESULT STDMETHODCALLTYPE LocationUrl(IWebBrowser2* self, BSTR* address)
{
    return OwnerOf(self)->ReadAddress(address);
}

HRESULT STDMETHODCALLTYPE DocumentUrl(IHTMLDocument2* self, BSTR* address)
{
    return OwnerOf(self)->ReadAddress(address);
}

void* NewPage(DoubleObject::Kind kind, const PageRoute& route);

HRESULT STDMETHODCALLTYPE QueryService(IServiceProvider* self, REFGUID service, REFIID riid, void** object)
{
    *object = nullptr;
    const SiteRoutes& routes = OwnerOf(self)->routes;
    const PageRoute* route = nullptr;
    DoubleObject::Kind kind = DoubleObject::Kind::Browser;
    if (IsEqualGUID(service, SID_SWebBrowserApp)) {
        route = &routes.browser;
    } else if (IsEqualGUID(service, SID_SContainerDispatch)) {
        route = &routes.serviceDocument;
        kind = DoubleObject::Kind::Document;
    }
    if (!route || !route->present)
        return E_NOINTERFACE;
    if (FAILED(route->lookup))
        return route->lookup;
    auto* page = static_cast<IUnknown*>(NewPage(kind, *route));
    HRESULT hr = page->lpVtbl->QueryInterface(page, riid, object);
    page->lpVtbl->Release(page);
    return hr;
}

HRESULT STDMETHODCALLTYPE GetContainer(IOleClientSite* self, IOleContainer** container)
{
    *container = nullptr;
    const PageRoute& route = OwnerOf(self)->routes.clientDocument;
    if (FAILED(route.lookup))
        return route.lookup;
    auto* document = static_cast<IUnknown*>(NewPage(DoubleObject::Kind::Document, route));
    HRESULT hr = document->lpVtbl->QueryInterface(document, IID_IOleContainer, reinterpret_cast<void**>(container));
    document->lpVtbl->Release(document);
    return hr;
}

struct MethodTables {
    IServiceProviderVtbl services{};
    IOleClientSiteVtbl clientSite{};
    IWebBrowser2Vtbl browser{};
    IHTMLDocument2Vtbl document{};
    IOleContainerVtbl container{};

    MethodTables()
    {
        SetUnknownMethods<IServiceProvider>(services);
        services.QueryService = &QueryService;
        SetUnknownMethods<IOleClientSite>(clientSite);
        clientSite.GetContainer = &GetContainer;
        SetUnknownMethods<IWebBrowser2>(browser);
        browser.get_LocationURL = &LocationUrl;
        SetUnknownMethods<IHTMLDocument2>(document);
        document.get_URL = &DocumentUrl;
        SetUnknownMethods<IOleContainer>(container);
    }
};

const MethodTables& Tables()
{
    static const MethodTables tables;
    return tables;
}

HRESULT DoubleObject::Query(REFIID riid, void** object)
{
    *object = nullptr;
    bool primaryAnswers = IsEqualIID(riid, IID_IUnknown);
    bool secondaryAnswers = false;
    switch (kind) {
    case Kind::Site:
        primaryAnswers = primaryAnswers || IsEqualIID(riid, IID_IServiceProvider);
        secondaryAnswers = routes.clientDocument.present && IsEqualIID(riid, IID_IOleClientSite);
        break;
    case Kind::Browser:
        primaryAnswers = primaryAnswers || IsEqualIID(riid, IID_IWebBrowser2) || IsEqualIID(riid, IID_IWebBrowserApp) ||
                         IsEqualIID(riid, IID_IDispatch);
        break;
    case Kind::Document:
        primaryAnswers = primaryAnswers || IsEqualIID(riid, IID_IHTMLDocument2) || IsEqualIID(riid, IID_IDispatch);
        secondaryAnswers = IsEqualIID(riid, IID_IOleContainer);
        break;
    }
    if (!primaryAnswers && !secondaryAnswers)
        return E_NOINTERFACE;
    *object = primaryAnswers ? &primary : &secondary;
    AddRef();
    return S_OK;
}

void* NewPage(DoubleObject::Kind kind, const PageRoute& route)
{
    const MethodTables& tables = Tables();
    auto* page = kind == DoubleObject::Kind::Browser ? new DoubleObject(kind, &tables.browser, nullptr)
                                                     : new DoubleObject(kind, &tables.document, &tables.container);
    page->page = route;
    return &page->primary;
}

}  // namespace

void* NewSiteDouble(const SiteRoutes& routes)
{
    const MethodTables& tables = Tables();
    auto* site = new DoubleObject(DoubleObject::Kind::Site, &tables.services, &tables.clientSite);
    site->routes = routes;
    return &site->primary;
}

long LiveSiteDoubles()
{
    return liveDoubles;
}
