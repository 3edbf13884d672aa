#pragma once
// Doubles of what a browser hands an object placed in a page: the site, and behind it the
// browser and the page's document, each reporting the page's address. Wine's browser renders no
// page (it has no engine for documents), so a test cannot place the object in a real one.
#include <windows.h>

#include <string>

// One way from the site to the page. Absent; or present, where the site's step along it
// (QueryService, or the client site's GetContainer) fails with lookup, or leads to an object
// whose address getter returns result and, when it succeeds, the address (a null BSTR when
// noAddress is set).
struct PageRoute {
    bool present = false;
    HRESULT lookup = S_OK;
    std::wstring address;
    HRESULT result = S_OK;
    bool noAddress = false;
};

struct SiteRoutes {
    PageRoute browser;          // IServiceProvider, SID_SWebBrowserApp: IWebBrowser2::get_LocationURL
    PageRoute serviceDocument;  // IServiceProvider, SID_SContainerDispatch: IHTMLDocument2::get_URL
    PageRoute clientDocument;   // IOleClientSite::GetContainer, then IHTMLDocument2::get_URL
};

// A site that answers IServiceProvider (as a script engine's site does, whatever it leads to)
// and IOleClientSite when the client document route is present. Returns its IUnknown with one
// reference. The doubles implement only the methods an object uses to find the page address.
void* NewSiteDouble(const SiteRoutes& routes);

// How many objects made by the doubles (sites, browsers, documents) are alive.
long LiveSiteDoubles();
