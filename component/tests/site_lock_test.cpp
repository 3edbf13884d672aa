// KVEngine placed in pages through site doubles: the service's pages (and the build's further
// origin) use it as before; every other page, and every browser that leads to no page of the
// object's own, is refused by all ten methods, and nothing reaches the service, the file copy or
// System Restore. Programs and script hosts, which tell the object of no untrusted callers, use
// it as before.
// Sockets first: the server's header must come before windows.h.
#include "loopback_server.h"
#include "engine_fixture.h"
#include "site_doubles.h"
#include "srclient_double.h"

#include <objsafe.h>
#include <ocidl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr int kServicePort = KORVALA_COUNT_TEST_PORT;
constexpr char kFileCopy[] = "C:\\ScanXML.xml";
const std::wstring kService = L"http://127.0.0.1:" + std::to_wstring(kServicePort);
const DWORD kBothOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

struct AddressCase {
    PageRoute page;
    bool allowed;
};

PageRoute Page(const std::wstring& address, HRESULT result = S_OK)
{
    PageRoute page;
    page.present = true;
    page.address = address;
    page.result = result;
    return page;
}

PageRoute PageWithoutAddress()
{
    PageRoute page = Page(L"");
    page.noAddress = true;
    return page;
}

// A way that the site has, but whose step toward the page fails.
PageRoute FailingWay(HRESULT lookup)
{
    PageRoute way;
    way.present = true;
    way.lookup = lookup;
    return way;
}

const PageRoute kNoWay;
const PageRoute kVendorTop = Page(kService + L"/result_page.php");
const PageRoute kVendorDocument = Page(kService + L"/result_page.php?desktop");
const PageRoute kOther = Page(L"http://evil.example/");

SiteRoutes Routes(const PageRoute& browser, const PageRoute& serviceDocument, const PageRoute& clientDocument)
{
    SiteRoutes routes;
    routes.browser = browser;
    routes.serviceDocument = serviceDocument;
    routes.clientDocument = clientDocument;
    return routes;
}

const std::vector<AddressCase> kAddressCases = {
    {Page(kService + L"/result_page.php?desktop"), true},
    {Page(kService), true},
    {Page(L"HTTPS://PAGES.KORVALA.EXAMPLE/offers"), true},      // the build's further origin, upper case
    {Page(L"https://pages.korvala.example:443/offers"), true},  // its default port written out
    {Page(kService + L".evil.example/"), false},
    {Page(kService + L"@evil.example/"), false},
    {Page(L"http://evil.example/?" + kService + L"/"), false},
    {Page(L"http://127.0.0.1/"), false},
    {Page(L"file:///C:/korvala/scan.html"), false},
    {Page(L"about:blank"), false},
    {Page(L"javascript:new ActiveXObject('KVObject.KVEngine')"), false},
    {Page(L""), false},
    {PageWithoutAddress(), false},
    {Page(kService + L"/", E_FAIL), false},  // the browser cannot say
};

enum class Way { Browser, ServiceDocument, ClientDocument };

// The page on one way; the browser's top page comes with the vendor's document, which a browser
// requires besides.
SiteRoutes Through(Way way, const PageRoute& page)
{
    return way == Way::Browser           ? Routes(page, kVendorDocument, kNoWay)
           : way == Way::ServiceDocument ? Routes(kNoWay, page, kNoWay)
                                         : Routes(kNoWay, kNoWay, page);
}

const char* NameOf(Way way)
{
    return way == Way::Browser ? "browser" : way == Way::ServiceDocument ? "service document" : "client site document";
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Whether and when the host tells the object that untrusted callers script it.
enum class Told {
    Never,        // programs and script hosts
    BeforeSite,   // a browser creating the object for a page's script
    AfterSite,    // a browser placing an object element in a page
    ThenCleared,  // told before the site, then the options set to none again
};

struct Placement {
    const char* name;
    bool sited;
    SiteRoutes routes;
    Told told;
    bool allowed;
};

const std::vector<Placement> kPlacements = {
    {"a program: no site", false, SiteRoutes(), Told::Never, true},
    {"a script host's site, which leads to no page", true, SiteRoutes(), Told::Never, true},
    {"a script host's site that answers with errors", true,
     Routes(FailingWay(E_FAIL), FailingWay(E_UNEXPECTED), kNoWay), Told::Never, true},
    {"a browser that gives no site", false, SiteRoutes(), Told::BeforeSite, false},
    {"a browser's site that leads to no page", true, SiteRoutes(), Told::BeforeSite, false},
    {"the same, told after the site", true, SiteRoutes(), Told::AfterSite, false},
    {"the same, told and then cleared", true, SiteRoutes(), Told::ThenCleared, false},
    // The vendor's top page may hold a frame of another origin, in which the object sits.
    {"a browser's site at the vendor's top page and no document", true, Routes(kVendorTop, kNoWay, kNoWay),
     Told::BeforeSite, false},
    {"the same with the vendor's document", true, Routes(kVendorTop, kVendorDocument, kNoWay), Told::BeforeSite, true},
    // Only containers of pages give a client site: the object is in a browser without being told.
    {"a client site in the vendor's document", true, Routes(kVendorTop, kNoWay, kVendorDocument), Told::Never, true},
    {"a client site without a container", true, Routes(kVendorTop, kNoWay, FailingWay(E_NOINTERFACE)), Told::Never,
     false},
    {"a frame of another origin in the vendor's page", true, Routes(kVendorTop, kNoWay, kOther), Told::Never, false},
    {"a frame of the vendor in another page", true, Routes(kOther, kVendorDocument, kNoWay), Told::BeforeSite, false},
    {"three ways to the vendor's page", true, Routes(kVendorTop, kVendorDocument, kVendorDocument), Told::AfterSite,
     true},
    {"a browser whose browser way fails", true, Routes(FailingWay(E_FAIL), kVendorDocument, kNoWay), Told::BeforeSite,
     false},
    {"a client site whose script document way fails", true,
     Routes(kVendorTop, FailingWay(E_UNEXPECTED), kVendorDocument), Told::Never, false},
    {"a client site whose container fails", true, Routes(kVendorTop, kVendorDocument, FailingWay(E_FAIL)),
     Told::BeforeSite, false},
};

class SiteLock : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        HMODULE restore = LoadLibraryA("srclient.dll");
        ASSERT_NE(restore, nullptr);
        configure_ = ExportOf<SrDoubleConfigureFunction>(restore, "SrDoubleConfigure");
        setCalls_ = ExportOf<SrDoubleSetCallsFunction>(restore, "SrDoubleSetCalls");
        ASSERT_TRUE(configure_ && setCalls_) << "the loaded srclient.dll is not the test double";
        configure_(TRUE, TRUE, 42);
    }
    void TearDown() override
    {
        EngineTest::TearDown();
        EXPECT_EQ(LiveSiteDoubles(), 0) << "the engine keeps a site after its release";
    }

    // Gives the engine a site double for the routes, as a browser does when it places the object.
    void PlaceInPage(IKVEngine* engine, const SiteRoutes& routes)
    {
        IObjectWithSite* withSite = nullptr;
        ASSERT_EQ(engine->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)), S_OK);
        auto* site = static_cast<IUnknown*>(NewSiteDouble(routes));
        EXPECT_EQ(withSite->SetSite(site), S_OK);
        site->Release();
        withSite->Release();
    }

    // Tells the object, as a browser does, that untrusted callers script it and hand it data; or,
    // with enabled 0, clears both options.
    HRESULT SetSafetyOptions(IKVEngine* engine, DWORD enabled = kBothOptions)
    {
        IObjectSafety* safety = nullptr;
        EXPECT_EQ(engine->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
        HRESULT hr = safety->SetInterfaceSafetyOptions(IID_IDispatch, kBothOptions, enabled);
        safety->Release();
        return hr;
    }

    // A page of the vendor, a program or a script host: scanning, the document, the count and the
    // restore point as ever.
    void ExpectServedAsBefore(IKVEngine* engine, const std::string& what, bool told = true)
    {
        LoopbackServer service(kServicePort);
        ASSERT_EQ(service.Port(), kServicePort) << PortInUse(kServicePort);
        service.Serve("HTTP/1.0 200 OK\r\n\r\n7");
        if (told) {
            EXPECT_EQ(SetSafetyOptions(engine), S_OK) << what;
        }
        BSTR email = SysAllocString(L"page@example.com");
        EXPECT_EQ(engine->SetEmail(email), S_OK) << what;
        EXPECT_EQ(engine->SetPassword(email), S_OK) << what;
        SysFreeString(email);
        EXPECT_EQ(engine->BeginScan(5), S_OK) << what;
        EXPECT_EQ(WaitForScanEnd(engine, kScanEndBoundMs), 2) << what;
        int value = -1;
        EXPECT_EQ(engine->GetScanProgress(&value), S_OK) << what;
        EXPECT_EQ(engine->CancelScan(), S_OK) << what;
        EXPECT_NE(ScanString(engine).find("<Email>page@example.com</Email>"), std::string::npos) << what;
        EXPECT_EQ(engine->GetNumUpdates(&value), S_OK) << what;
        EXPECT_EQ(value, 7) << what;
        EXPECT_EQ(service.Request().rfind("POST /count_updates.php HTTP/1.0\r\n", 0), 0u) << what;
        configure_(TRUE, TRUE, 42);
        EXPECT_EQ(engine->CreateSRP(&value), S_OK) << what;
        EXPECT_EQ(value, 0) << what;
        EXPECT_EQ(setCalls_(nullptr, 0), 2) << what;
        BSTR version = nullptr;
        EXPECT_EQ(engine->GetVersion(&version), S_OK) << what;
        SysFreeString(version);
    }

    // Another page, or none: every method refused, and nothing scanned, sent, written or
    // restored.
    void ExpectRefused(IKVEngine* engine, const std::string& what)
    {
        LoopbackServer service(kServicePort);
        ASSERT_EQ(service.Port(), kServicePort) << PortInUse(kServicePort);
        DeleteFileA(kFileCopy);
        configure_(TRUE, TRUE, 42);

        int value = -7;
        BSTR document = reinterpret_cast<BSTR>(1), version = reinterpret_cast<BSTR>(1);
        BSTR text = SysAllocString(L"page@example.com");
        const HRESULT results[] = {
            engine->BeginScan(0),      engine->GetScanProgress(&value), engine->GetScanString(&document),
            engine->CreateSRP(&value), engine->GetScanStatus(&value),   engine->GetNumUpdates(&value),
            engine->CancelScan(),      engine->GetVersion(&version),    engine->SetEmail(text),
            engine->SetPassword(text),
        };
        SysFreeString(text);
        for (size_t i = 0; i < std::size(results); ++i)
            EXPECT_EQ(results[i], E_ACCESSDENIED) << what << ", method " << i + 1;
        EXPECT_EQ(value, -7) << what;
        EXPECT_EQ(document, nullptr) << what;
        EXPECT_EQ(version, nullptr) << what;

        // Late-bound, as a page's script calls it.
        DISPPARAMS none = {};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO exception = {};
        HRESULT invoked = engine->Invoke(8, IID_NULL, 0x409, DISPATCH_METHOD, &none, &result, &exception, nullptr);
        EXPECT_TRUE(invoked == E_ACCESSDENIED || (invoked == DISP_E_EXCEPTION && exception.scode == E_ACCESSDENIED))
            << what << ": 0x" << std::hex << invoked;
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        VariantClear(&result);

        EXPECT_FALSE(service.HasPendingConnection()) << what;
        EXPECT_EQ(GetFileAttributesA(kFileCopy), INVALID_FILE_ATTRIBUTES) << what;
        EXPECT_EQ(setCalls_(nullptr, 0), 0) << what;
    }

    // The engine placed as the row says; nullptr when it could not be made. Before it has a site
    // the object is not judged, so telling it then succeeds.
    IKVEngine* Place(const Placement& placement, const std::string& what)
    {
        IKVEngine* engine = library_.NewEngine();
        if (!engine)
            return nullptr;
        if (placement.told == Told::BeforeSite || placement.told == Told::ThenCleared) {
            EXPECT_EQ(SetSafetyOptions(engine), S_OK) << what;
        }
        if (placement.told == Told::ThenCleared) {
            EXPECT_EQ(SetSafetyOptions(engine, 0), S_OK) << what;
        }
        if (placement.sited)
            PlaceInPage(engine, placement.routes);
        if (placement.told == Told::AfterSite) {
            EXPECT_EQ(SetSafetyOptions(engine), placement.allowed ? S_OK : E_FAIL) << what;
        }
        return engine;
    }

    void ExpectJudged(const Placement& placement, const std::string& what)
    {
        IKVEngine* engine = Place(placement, what);
        ASSERT_NE(engine, nullptr);
        if (placement.allowed) {
            ExpectServedAsBefore(engine, what, placement.told != Told::Never);
        } else {
            ExpectRefused(engine, what);
            // Nor does a refused object report itself safe.
            EXPECT_EQ(SetSafetyOptions(engine), E_FAIL) << what;
        }
        engine->Release();
    }

    SrDoubleConfigureFunction configure_ = nullptr;
    SrDoubleSetCallsFunction setCalls_ = nullptr;
};

TEST_F(SiteLock, EveryAddressIsJudgedOnEveryWayToThePage)
{
    for (Way way : {Way::Browser, Way::ServiceDocument, Way::ClientDocument}) {
        for (const AddressCase& c : kAddressCases) {
            const std::string what = std::string(NameOf(way)) + " at \"" + Narrow(c.page.address) + "\"";
            ExpectJudged({"", true, Through(way, c.page), Told::BeforeSite, c.allowed}, what);
        }
    }
}

TEST_F(SiteLock, InABrowserOnlyTheObjectsOwnAllowedDocumentUnlocksIt)
{
    for (const Placement& placement : kPlacements)
        ExpectJudged(placement, placement.name);
}

TEST_F(SiteLock, ARefusalOutlivesEveryLaterSite)
{
    struct Case {
        Placement refused;
        SiteRoutes later[2];
    } const cases[] = {
        // A script host's site at another page; then sites that would leave a fresh object open.
        {{"a script host's site at another page", true, Routes(kOther, kNoWay, kNoWay), Told::Never, false},
         {SiteRoutes(), Routes(kVendorTop, kVendorDocument, kNoWay)}},
        {{"a browser's site at another document", true, Routes(kNoWay, kOther, kNoWay), Told::BeforeSite, false},
         {Routes(kVendorTop, kVendorDocument, kNoWay), Routes(kVendorTop, kNoWay, kVendorDocument)}},
    };
    for (const Case& c : cases) {
        IKVEngine* engine = Place(c.refused, c.refused.name);
        ASSERT_NE(engine, nullptr);
        ExpectRefused(engine, c.refused.name);
        for (const SiteRoutes& later : c.later) {
            PlaceInPage(engine, later);
            ExpectRefused(engine, std::string(c.refused.name) + ", sited again");
        }
        engine->Release();
    }
}

TEST_F(SiteLock, TheObjectStaysBoundToItsPageAndHandsItsSiteBack)
{
    IObjectWithSite* withSite = nullptr;
    ASSERT_EQ(engine_->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)), S_OK);
    IUnknown* held = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(withSite->GetSite(IID_IUnknown, reinterpret_cast<void**>(&held)), E_FAIL);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(withSite->GetSite(IID_IUnknown, nullptr), E_POINTER);

    auto* site = static_cast<IUnknown*>(NewSiteDouble(Routes(Page(kService + L"/"), kNoWay, kNoWay)));
    EXPECT_EQ(withSite->SetSite(site), S_OK);
    IServiceProvider* services = nullptr;
    EXPECT_EQ(withSite->GetSite(IID_IServiceProvider, reinterpret_cast<void**>(&services)), S_OK);
    IUnknown* siteUnknown = nullptr;
    services->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&siteUnknown));
    EXPECT_EQ(siteUnknown, site);
    siteUnknown->Release();
    services->Release();
    site->Release();
    int status = -1;
    EXPECT_EQ(engine_->GetScanStatus(&status), S_OK);

    // A dropped site leaves no page to judge: the object does not fall back to a site-less one.
    EXPECT_EQ(withSite->SetSite(nullptr), S_OK);
    EXPECT_EQ(LiveSiteDoubles(), 0);
    EXPECT_EQ(engine_->GetScanStatus(&status), E_ACCESSDENIED);
    withSite->Release();
}

}  // namespace
