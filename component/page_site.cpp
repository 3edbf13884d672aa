#include "page_site.h"

#include "com_ptr.h"
#include "page_origin.h"
#include "unique_bstr.h"

#include <exdisp.h>
#include <mshtml.h>
#include <servprov.h>
#include <shlguid.h>

#include <climits>
#include <string>

namespace {

// A page address as UTF-8; its length is the BSTR's, so an embedded NUL stays part of it.
std::string Utf8Text(BSTR text)
{
    UINT length = SysStringLen(text);
    if (length == 0 || length > INT_MAX / 4)
        return std::string();
    std::string narrow(static_cast<std::size_t>(length) * 4, '\0');
    int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &narrow[0],
                                   static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return narrow;
}

// What one way from the site to the page finds.
enum class Route {
    Absent,   // the site does not lead there: no browser, no document
    Allowed,  // a page whose address is allowed
    Refused,  // a page whose address is another, empty or unreadable
    Failed,   // a step on the way failed with an error
};

// A step toward the page that reached no object: E_NOINTERFACE is how a site says that it has
// no such way; any other failure, and success without an object, is an error.
Route Unreached(HRESULT step)
{
    return step == E_NOINTERFACE ? Route::Absent : Route::Failed;
}

// The browser's address is the top-level page's; a document's is its own, also in a frame.
HRESULT ReadAddress(IWebBrowser2* browser, BSTR* address)
{
    return browser->get_LocationURL(address);
}

HRESULT ReadAddress(IHTMLDocument2* document, BSTR* address)
{
    return document->get_URL(address);
}

template <typename Page>
Route JudgePage(Page* page, const char* allowedAddresses)
{
    UniqueBstr address;
    HRESULT read = ReadAddress(page, address.Receive());
    return SUCCEEDED(read) && IsAllowedPage(Utf8Text(address.Get()), allowedAddresses) ? Route::Allowed
                                                                                       : Route::Refused;
}

// A page that the site offers as a service: the browser, or the document (scripts' sites).
template <typename Page>
Route ServiceRoute(IServiceProvider* services, REFGUID service, const char* allowedAddresses)
{
    ComPtr<Page> page;
    HRESULT step = services->QueryService(service, __uuidof(Page), page.ReceiveAs(__uuidof(Page)));
    if (FAILED(step) || !page)
        return Unreached(step);
    return JudgePage(page.Get(), allowedAddresses);
}

// The document as the container of an embedded object's client site.
Route ClientSiteDocumentRoute(IUnknown* site, const char* allowedAddresses)
{
    ComPtr<IOleClientSite> clientSite;
    HRESULT step = QueryInterfaceInto(site, clientSite);
    if (FAILED(step) || !clientSite)
        return Unreached(step);
    ComPtr<IOleContainer> container;
    step = clientSite->GetContainer(container.Receive());
    if (FAILED(step) || !container)
        return Unreached(step);
    ComPtr<IHTMLDocument2> document;
    step = container.QueryInterface(document);
    if (FAILED(step) || !document)
        return Unreached(step);
    return JudgePage(document.Get(), allowedAddresses);
}

bool IsClientSite(IUnknown* site)
{
    ComPtr<IOleClientSite> clientSite;
    return SUCCEEDED(QueryInterfaceInto(site, clientSite)) && clientSite;
}

}  // namespace

void PageSite::Set(IUnknown* site)
{
    if (site) {
        sited_ = true;
        if (IsClientSite(site))
            inBrowser_ = true;
    }
    site_ = ComPtr<IUnknown>(site);
}

HRESULT PageSite::Get(REFIID riid, void** object) const
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    return site_ ? site_->QueryInterface(riid, object) : E_FAIL;
}

bool PageSite::AllowsCaller()
{
    if (refused_)
        return false;
    if (!inBrowser_ && !sited_)
        return true;
    refused_ = !LeadsToAllowedPage();
    return !refused_;
}

bool PageSite::MayBeMarkedSafe()
{
    return (!sited_ && !refused_) || AllowsCaller();
}

bool PageSite::LeadsToAllowedPage() const
{
    if (!site_)
        return false;
    Route browser = Route::Absent;
    Route serviceDocument = Route::Absent;
    ComPtr<IServiceProvider> services;
    HRESULT step = site_.QueryInterface(services);
    if (SUCCEEDED(step) && services) {
        browser = ServiceRoute<IWebBrowser2>(services.Get(), SID_SWebBrowserApp, allowedAddresses_);
        serviceDocument = ServiceRoute<IHTMLDocument2>(services.Get(), SID_SContainerDispatch, allowedAddresses_);
    } else {
        browser = serviceDocument = Unreached(step);
    }
    Route clientDocument = ClientSiteDocumentRoute(site_.Get(), allowedAddresses_);
    const Route routes[] = {browser, serviceDocument, clientDocument};

    // Every way that leads to a page must find an allowed address: the browser names the
    // top-level page, while the object may sit in a frame of another origin. A script host's site
    // may answer the ways it lacks with any failure; in a browser a failing way refuses.
    for (Route route : routes) {
        if (route == Route::Refused || (inBrowser_ && route == Route::Failed))
            return false;
    }
    // In a browser the object is always scripted by some page, and only its own document tells
    // which: the browser alone may name the vendor's top page around a frame of another origin.
    return !inBrowser_ || serviceDocument == Route::Allowed || clientDocument == Route::Allowed;
}
