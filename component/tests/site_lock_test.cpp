// KVEngine placed in pages through site doubles: the service's pages (and the build's further
// origin) use it as before; every other page is refused by all ten methods, and nothing reaches
// the service, the file copy or System Restore.
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

SiteRoutes Through(Way way, const PageRoute& page)
{
    SiteRoutes routes;
    (way == Way::Browser           ? routes.browser
     : way == Way::ServiceDocument ? routes.serviceDocument
                                   : routes.clientDocument) = page;
    return routes;
}

const char* NameOf(Way way)
{
    return way == Way::Browser ? "browser" : way == Way::ServiceDocument ? "service document" : "client site document";
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

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

    HRESULT SetSafetyOptions(IKVEngine* engine)
    {
        IObjectSafety* safety = nullptr;
        EXPECT_EQ(engine->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)), S_OK);
        const DWORD both = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
        HRESULT hr = safety->SetInterfaceSafetyOptions(IID_IDispatch, both, both);
        safety->Release();
        return hr;
    }

    // A page of the vendor: scanning, the document, the count and the restore point as ever.
    void ExpectServedAsBefore(IKVEngine* engine, const std::string& what)
    {
        LoopbackServer service(kServicePort);
        ASSERT_EQ(service.Port(), kServicePort) << PortInUse(kServicePort);
        service.Serve("HTTP/1.0 200 OK\r\n\r\n7");
        EXPECT_EQ(SetSafetyOptions(engine), S_OK) << what;
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

    // Another page: every method refused, and nothing scanned, sent, written or restored.
    void ExpectRefused(IKVEngine* engine, const std::string& what)
    {
        LoopbackServer service(kServicePort);
        ASSERT_EQ(service.Port(), kServicePort) << PortInUse(kServicePort);
        DeleteFileA(kFileCopy);
        configure_(TRUE, TRUE, 42);
        EXPECT_EQ(SetSafetyOptions(engine), E_FAIL) << what;

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

    // The engine placed in a page; nullptr when it could not be made.
    IKVEngine* EngineInPage(const SiteRoutes& routes)
    {
        IKVEngine* engine = library_.NewEngine();
        if (engine)
            PlaceInPage(engine, routes);
        return engine;
    }

    SrDoubleConfigureFunction configure_ = nullptr;
    SrDoubleSetCallsFunction setCalls_ = nullptr;
};

TEST_F(SiteLock, EveryAddressIsJudgedOnEveryWayToThePage)
{
    for (Way way : {Way::Browser, Way::ServiceDocument, Way::ClientDocument}) {
        for (const AddressCase& c : kAddressCases) {
            const std::string what = std::string(NameOf(way)) + " at \"" + Narrow(c.page.address) + "\"";
            IKVEngine* engine = EngineInPage(Through(way, c.page));
            ASSERT_NE(engine, nullptr);
            if (c.allowed)
                ExpectServedAsBefore(engine, what);
            else
                ExpectRefused(engine, what);
            engine->Release();
        }
    }
}

TEST_F(SiteLock, EveryWayThatLeadsToAPageMustFindAnAllowedOne)
{
    const PageRoute vendor = Page(kService + L"/result_page.php");
    const PageRoute other = Page(L"http://evil.example/");
    SiteRoutes framed;  // the vendor's page shows a frame of another origin, which holds the object
    framed.browser = vendor;
    framed.clientDocument = other;
    SiteRoutes framing;  // the other way round
    framing.browser = other;
    framing.serviceDocument = vendor;
    SiteRoutes agreeing;
    agreeing.browser = vendor;
    agreeing.serviceDocument = vendor;
    agreeing.clientDocument = vendor;

    for (const SiteRoutes* routes : {&framed, &framing}) {
        IKVEngine* engine = EngineInPage(*routes);
        ASSERT_NE(engine, nullptr);
        ExpectRefused(engine, "two pages");
        engine->Release();
    }
    IKVEngine* engine = EngineInPage(agreeing);
    ASSERT_NE(engine, nullptr);
    ExpectServedAsBefore(engine, "three ways to the vendor's page");
    engine->Release();
}

TEST_F(SiteLock, ASiteThatLeadsToNoPageIsAScriptHost)
{
    // A script engine gives every object it creates a site, also under cscript; there it leads
    // to no browser and no document.
    IKVEngine* engine = EngineInPage(SiteRoutes());
    ASSERT_NE(engine, nullptr);
    ExpectServedAsBefore(engine, "script host");
    engine->Release();
}

TEST_F(SiteLock, TheObjectStaysBoundToItsPageAndHandsItsSiteBack)
{
    IObjectWithSite* withSite = nullptr;
    ASSERT_EQ(engine_->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)), S_OK);
    IUnknown* held = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(withSite->GetSite(IID_IUnknown, reinterpret_cast<void**>(&held)), E_FAIL);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(withSite->GetSite(IID_IUnknown, nullptr), E_POINTER);

    auto* site = static_cast<IUnknown*>(NewSiteDouble(Through(Way::Browser, Page(kService + L"/"))));
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
