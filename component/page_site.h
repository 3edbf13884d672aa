#pragma once
// The site that a browser gives the object (IObjectWithSite), and whether the page it leads to
// may drive the object. The object is marked safe for scripting, so any page that the browser
// lets it run in could otherwise read the machine's inventory, write C:\ScanXML.xml and make
// restore points; only pages whose origin is one of the allowed addresses may.
#include <windows.h>
#include <unknwn.h>

class PageSite {
public:
    // allowedAddresses: addresses separated by white space whose origins may use the object;
    // the text must outlive the object.
    explicit PageSite(const char* allowedAddresses) : allowedAddresses_(allowedAddresses) {}
    ~PageSite();
    PageSite(const PageSite&) = delete;
    PageSite& operator=(const PageSite&) = delete;

    // IObjectWithSite: holds the new site (null drops it) and releases the previous one.
    void Set(IUnknown* site);
    HRESULT Get(REFIID riid, void** object) const;

    // True for an object that never had a site (a program, or a script host that gives none),
    // and for a site that leads to no page (a script host's own site). Otherwise every page
    // address the site leads to must be readable and allowed. Once sited, the object stays
    // bound to a page: a dropped site allows nothing.
    bool AllowsCaller() const;

private:
    const char* allowedAddresses_;
    IUnknown* site_ = nullptr;
    bool sited_ = false;
};
