#pragma once
// The site that a browser gives the object (IObjectWithSite), and whether the page it leads to
// may drive the object. The object is marked safe for scripting, so any page that the browser
// lets it run in could otherwise read the machine's inventory, write C:\ScanXML.xml and make
// restore points; only pages whose origin is one of the allowed addresses may.
#include "com_ptr.h"

#include <windows.h>
#include <unknwn.h>

class PageSite {
public:
    // allowedAddresses: addresses separated by white space whose origins may use the object;
    // the text must outlive the object.
    explicit PageSite(const char* allowedAddresses) : allowedAddresses_(allowedAddresses) {}
    PageSite(const PageSite&) = delete;
    PageSite& operator=(const PageSite&) = delete;

    // IObjectWithSite: holds the new site (null drops it) and releases the previous one. A site
    // that is an IOleClientSite, which only containers of pages give, puts the object in a
    // browser.
    void Set(IUnknown* site);
    HRESULT Get(REFIID riid, void** object) const;

    // The object has been told that untrusted callers script it (IObjectSafety's
    // INTERFACESAFE_FOR_UNTRUSTED_CALLER), as a browser tells it and script hosts and programs
    // do not: it is in a browser for the rest of its life.
    void EnterBrowser() { inBrowser_ = true; }

    // In a browser: true only when the site leads to the object's own document (the client
    // site's container, or the document that the site offers to scripts), that document's
    // address is allowed, and every other way to a page finds an allowed address; a way that
    // fails with an error refuses. Outside a browser (a program, a script host): true for an
    // object that never had a site and for a site that leads to no page; otherwise every page
    // address the site leads to must be readable and allowed, and a dropped site allows
    // nothing. A refusal is final: no later site lifts it.
    bool AllowsCaller();

    // Whether the object may report itself safe: false once it is refused. An object without a
    // site is not judged yet, since a browser sets the safety options of an object that a script
    // creates before it gives the site.
    bool MayBeMarkedSafe();

private:
    bool LeadsToAllowedPage() const;

    const char* allowedAddresses_;
    ComPtr<IUnknown> site_;
    bool sited_ = false;
    bool inBrowser_ = false;
    bool refused_ = false;
};
