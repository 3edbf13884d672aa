#include "kv_engine.h"

#include "com_ptr.h"
#include "com_scope.h"
#include "contain_failures.h"
#include "device_inventory.h"
#include "full_inventory.h"
#include "korvala_version.h"
#include "module.h"
#include "restore_point.h"
#include "update_count.h"
#include "scan_document.h"
#include "scan_flavour.h"
#include "software_inventory.h"
#include "wide_text.h"

#include <new>

namespace {

// The service's base address; test builds point the library at a server of their own.
#ifndef KVOBJECT_SERVICE_URL
#define KVOBJECT_SERVICE_URL KORVALA_SERVICE_URL
#endif
// Further addresses whose pages may use the object besides the service's own.
#ifndef KVOBJECT_EXTRA_PAGE_ORIGINS
#define KVOBJECT_EXTRA_PAGE_ORIGINS KORVALA_EXTRA_PAGE_ORIGINS
#endif
constexpr char kAllowedPageAddresses[] = KVOBJECT_SERVICE_URL " " KVOBJECT_EXTRA_PAGE_ORIGINS;

constexpr DWORD kStopWaitMs = 3000;
constexpr DWORD kCountWaitMs = 10000;
constexpr int kCountAttempts = 5;
constexpr DWORD kFullScanPollMs = 20;
constexpr int32_t kDocumentDeviceCount = 5;
constexpr DWORD kSafeOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
// The longest e-mail address or password a page may hand in, in UTF-16 units: 64 times the
// longest possible e-mail address (254 characters), so that no real value comes near it, while
// a page cannot make the object convert, keep and write texts of any size.
constexpr UINT kMaxPageTextLength = 16384;

std::string TextOf(BSTR text)
{
    return WideToAnsi(text, text ? SysStringLen(text) : 0);
}

HRESULT NewBstr(const std::wstring& text, BSTR* out)
{
    *out = SysAllocStringLen(text.data(), UINT(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HRESULT KVEngine::Create(IUnknown* outer, REFIID riid, void** object)
{
    KVEngine* engine = new (std::nothrow) KVEngine(outer);
    if (!engine)
        return E_OUTOFMEMORY;
    // Hold the object across the query so that a failed query destroys it.
    ComPtr<IUnknown> identity(&engine->own_);
    return identity->QueryInterface(riid, object);
}

KVEngine::KVEngine(IUnknown* outer) : own_(*this), controlling_(outer ? outer : &own_), site_(kAllowedPageAddresses)
{
    LockModule();
}

KVEngine::~KVEngine()
{
    StopScanWorker(kStopWaitMs);
    UnlockModule();
}

const InterfaceEntry<KVEngine> KVEngine::kInterfaces[] = {
    {&IID_IUnknown, OwnIdentity},
    {&IID_IKVEngine, InterfaceThrough<KVEngine, IKVEngine>},
    {&IID_IDispatch, InterfaceThrough<KVEngine, IKVEngine>},
    {&IID_IObjectSafety, InterfaceThrough<KVEngine, IObjectSafety>},
    {&IID_IObjectWithSite, InterfaceThrough<KVEngine, IObjectWithSite>},
};

STDMETHODIMP KVEngine::OwnUnknown::QueryInterface(REFIID riid, void** object)
{
    return QueryInterfaceByTable(owner_, kInterfaces, riid, object);
}

STDMETHODIMP_(ULONG) KVEngine::OwnUnknown::AddRef()
{
    return ULONG(InterlockedIncrement(&references_));
}

STDMETHODIMP_(ULONG) KVEngine::OwnUnknown::Release()
{
    LONG count = InterlockedDecrement(&references_);
    if (count == 0)
        delete &owner_;
    return ULONG(count);
}

template <typename Body>
HRESULT KVEngine::ForAllowedCaller(Body&& body)
{
    return ContainFailures([&] { return site_.AllowsCaller() ? body() : E_ACCESSDENIED; });
}

STDMETHODIMP KVEngine::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP KVEngine::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo)
{
    if (!typeInfo)
        return E_POINTER;
    *typeInfo = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    return GetEngineTypeInfo(lcid, typeInfo);
}

STDMETHODIMP KVEngine::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> typeInfo;
    HRESULT hr = GetEngineTypeInfo(lcid, typeInfo.Receive());
    if (FAILED(hr))
        return hr;
    return typeInfo->GetIDsOfNames(names, count, ids);
}

STDMETHODIMP KVEngine::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argumentError)
{
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> typeInfo;
    HRESULT hr = GetEngineTypeInfo(lcid, typeInfo.Receive());
    if (FAILED(hr))
        return hr;
    return typeInfo->Invoke(static_cast<IKVEngine*>(this), id, flags, params, result, exception, argumentError);
}

void KVEngine::StopScanWorker(DWORD waitMs)
{
    if (!scanWorker_)
        return;
    cancel_ = 1;
    if (WaitForSingleObject(scanWorker_.Get(), waitMs) == WAIT_TIMEOUT)
        TerminateThread(scanWorker_.Get(), 0);
    scanWorker_.Reset();
}

UniqueKernelHandle KVEngine::StartPinnedThread(LPTHREAD_START_ROUTINE worker)
{
    UniqueLibrary pin = PinModuleForThread();
    if (!pin)
        return UniqueKernelHandle();
    UniqueKernelHandle thread(CreateThread(nullptr, 0, worker, this, 0, nullptr));
    // The thread gives the library back as it ends (FreeLibraryAndExitThread).
    if (thread)
        pin.Detach();
    return thread;
}

STDMETHODIMP KVEngine::BeginScan(int nType)
{
    return ForAllowedCaller([&] {
        // One worker at a time: the counter, flag and texts belong to a single scan.
        StopScanWorker(kStopWaitMs);
        progress_ = 0;
        status_ = 0;
        scanType_ = nType;
        cancel_ = 0;
        scanWorker_ = StartPinnedThread(ScanWorker);
        // Without a worker the scan is over before it began; pollers must not wait for it.
        if (!scanWorker_)
            status_ = 2;
        return S_OK;
    });
}

DWORD WINAPI KVEngine::ScanWorker(void* engine)
{
    auto* self = static_cast<KVEngine*>(engine);
    // A scan that fails (out of memory) stores no text, so the earlier scans' texts stay; its
    // status ends at 2 all the same, so that pollers see the end.
    HRESULT scanned = ContainFailures([self] {
        self->RunScan();
        return S_OK;
    });
    if (FAILED(scanned))
        self->status_ = 2;
    FreeLibraryAndExitThread(ModuleInstance(), 0);
}

void KVEngine::RunScan()
{
    switch (scanType_) {
    case 0: {
        std::string text = InventoryOrMarker([this] {
            std::string passes = DevicePass();
            return passes + SoftwarePass();
        });
        LastInventoryText().Replace(text);
        inventoryText_.Replace(std::move(text));
        fullScanFinished_ = true;
        break;
    }
    case 1:
        LastInventoryText().Replace(InventoryOrMarker([this] { return DevicePass(); }));
        break;
    default:
        LastInventoryText().Replace(InventoryOrMarker([this] { return SoftwarePass(); }));
        break;
    }
    // A pass that a failed digest ended has not set the end status itself.
    status_ = 2;
}

std::string KVEngine::DevicePass()
{
    ComScope apartment;
    DeviceInventory inventory(progress_, cancel_, kComponentFlavour);
    status_ = 1;
    std::string text = inventory.Run();
    if (scanType_ != 0)
        status_ = 2;
    return text;
}

std::string KVEngine::SoftwarePass()
{
    ComScope apartment;
    SoftwareInventory inventory(progress_, cancel_, kComponentFlavour);
    if (scanType_ == 2)
        status_ = 1;
    std::string text = inventory.Run();
    if (scanType_ != 1)
        status_ = 2;
    return text;
}

STDMETHODIMP KVEngine::GetScanProgress(int* nProgress)
{
    return ForAllowedCaller([&] {
        if (!nProgress)
            return E_POINTER;
        *nProgress = scanType_ == 0 ? progress_.load() : 2 * progress_.load();
        return S_OK;
    });
}

STDMETHODIMP KVEngine::GetScanStatus(int* nStatus)
{
    return ForAllowedCaller([&] {
        if (!nStatus)
            return E_POINTER;
        *nStatus = status_;
        return S_OK;
    });
}

// Waits while a full-scan worker runs and either no full scan has finished before, or the
// running one has ended its passes (status 2) and is only storing its text. Otherwise there is
// a finished text to hand out, or none will come.
void KVEngine::WaitForFullScanText() const
{
    while (scanType_ == 0 && scanWorker_ && (!fullScanFinished_ || status_ == 2) &&
           WaitForSingleObject(scanWorker_.Get(), kFullScanPollMs) == WAIT_TIMEOUT) {
    }
}

STDMETHODIMP KVEngine::GetScanString(BSTR* bstrScanString)
{
    if (bstrScanString)
        *bstrScanString = nullptr;
    return ForAllowedCaller([&] {
        if (!bstrScanString)
            return E_POINTER;
        WaitForFullScanText();
        ScanDocument builder(kComponentFlavour);
        builder.email = email_;
        builder.password = password_;
        std::string document = builder.BuildDocument(inventoryText_.Copy(), kDocumentDeviceCount);
        return NewBstr(AnsiToWide(document), bstrScanString);
    });
}

STDMETHODIMP KVEngine::CreateSRP(int* nResult)
{
    return ForAllowedCaller([&] {
        if (!nResult)
            return E_POINTER;
        *nResult = CreateSrpResult();
        return S_OK;
    });
}

DWORD WINAPI KVEngine::UpdateCountThread(void* engine)
{
    auto* self = static_cast<KVEngine*>(engine);
    self->updateCount_ = kUpdateCountPending;
    HRESULT requested = ContainFailures([self] {
        self->updateCount_ = RequestUpdateCount(KVOBJECT_SERVICE_URL, LastInventoryText().Copy());
        return S_OK;
    });
    // Running out of memory counts as a failed attempt.
    if (FAILED(requested))
        self->updateCount_ = kUpdateCountFailed;
    FreeLibraryAndExitThread(ModuleInstance(), 0);
}

STDMETHODIMP KVEngine::GetNumUpdates(int* nNumOfUpdates)
{
    return ForAllowedCaller([&] {
        if (!nNumOfUpdates)
            return E_POINTER;
        for (int attempt = 0; attempt < kCountAttempts; ++attempt) {
            countWorker_ = StartPinnedThread(UpdateCountThread);
            if (!countWorker_) {
                updateCount_ = kUpdateCountFailed;
                continue;
            }
            // A service that does not answer in time ends the whole request: no further attempt.
            if (WaitForSingleObject(countWorker_.Get(), kCountWaitMs) == WAIT_TIMEOUT)
                TerminateThread(countWorker_.Get(), 0);
            *nNumOfUpdates = updateCount_;
            if (updateCount_ != kUpdateCountFailed)
                return S_OK;
        }
        *nNumOfUpdates = kUpdateCountPending;
        return S_OK;
    });
}

STDMETHODIMP KVEngine::CancelScan()
{
    return ForAllowedCaller([&] {
        cancel_ = 1;
        return S_OK;
    });
}

STDMETHODIMP KVEngine::GetVersion(BSTR* bstrVersion)
{
    if (bstrVersion)
        *bstrVersion = nullptr;
    return ForAllowedCaller([&] { return bstrVersion ? NewBstr(L"" KORVALA_VERSION_TEXT, bstrVersion) : E_POINTER; });
}

// Replaces a stored text with the page's; a text longer than any real one is refused and the
// stored one kept.
HRESULT KVEngine::StoreText(BSTR text, std::string& stored)
{
    return ForAllowedCaller([&] {
        if (text && SysStringLen(text) > kMaxPageTextLength)
            return E_INVALIDARG;
        stored = TextOf(text);
        return S_OK;
    });
}

STDMETHODIMP KVEngine::SetEmail(BSTR bstrEmail)
{
    return StoreText(bstrEmail, email_);
}

STDMETHODIMP KVEngine::SetPassword(BSTR bstrPassword)
{
    return StoreText(bstrPassword, password_);
}

STDMETHODIMP KVEngine::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled)
{
    if (!supported || !enabled)
        return E_POINTER;
    if (!TableAnswersTo(kInterfaces, riid)) {
        *supported = *enabled = 0;
        return E_NOINTERFACE;
    }
    *supported = kSafeOptions;
    *enabled = safetyOptions_;
    return S_OK;
}

STDMETHODIMP KVEngine::SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled)
{
    return ContainFailures([&] {
        // Being told of untrusted callers puts the object in a browser for good, whatever else
        // the call asks and however it ends: only a browser says it, and a later call that clears
        // the option does not make the page that scripts the object trusted.
        if (mask & enabled & INTERFACESAFE_FOR_UNTRUSTED_CALLER)
            site_.EnterBrowser();
        if (mask & ~kSafeOptions)
            return E_FAIL;
        if (!TableAnswersTo(kInterfaces, riid))
            return E_NOINTERFACE;
        // On a page of another origin the object is not safe: the browser then treats it so.
        if (!site_.MayBeMarkedSafe())
            return E_FAIL;
        safetyOptions_ = (safetyOptions_ & ~mask) | (enabled & mask);
        return S_OK;
    });
}

STDMETHODIMP KVEngine::SetSite(IUnknown* site)
{
    site_.Set(site);
    return S_OK;
}

STDMETHODIMP KVEngine::GetSite(REFIID riid, void** site)
{
    return site_.Get(riid, site);
}
