#pragma once
// KVEngine: the automation object that scans the machine on a worker thread and hands out
// progress, status, the scan document and the number of available updates. In a browser only
// the vendor's pages may use it (PageSite); no failure inside it ends the host process.
#include "interface_table.h"
#include "kvobject.h"
#include "page_site.h"
#include "shared_text.h"
#include "unique_handle.h"

#include <objsafe.h>
#include <ocidl.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

class KVEngine : public IKVEngine, public IObjectSafety, public IObjectWithSite {
public:
    // Creates an object and answers riid (an object creator of the class factory, which checks
    // the arguments first); with an outer object the object is aggregated. E_OUTOFMEMORY when
    // memory runs out.
    static HRESULT Create(IUnknown* outer, REFIID riid, void** object);

    // IUnknown, delegated to the controlling unknown.
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        return controlling_->QueryInterface(riid, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return controlling_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return controlling_->Release(); }

    // IDispatch, served from the type library.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override;

    // IKVEngine
    STDMETHODIMP BeginScan(int nType) override;
    STDMETHODIMP GetScanProgress(int* nProgress) override;
    STDMETHODIMP GetScanString(BSTR* bstrScanString) override;
    STDMETHODIMP CreateSRP(int* nResult) override;
    STDMETHODIMP GetScanStatus(int* nStatus) override;
    STDMETHODIMP GetNumUpdates(int* nNumOfUpdates) override;
    STDMETHODIMP CancelScan() override;
    STDMETHODIMP GetVersion(BSTR* bstrVersion) override;
    STDMETHODIMP SetEmail(BSTR bstrEmail) override;
    STDMETHODIMP SetPassword(BSTR bstrPassword) override;

    // IObjectSafety
    STDMETHODIMP GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) override;
    STDMETHODIMP SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) override;

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID riid, void** site) override;

private:
    // The object's own IUnknown: the one that counts references and answers queries.
    class OwnUnknown : public IUnknown {
    public:
        explicit OwnUnknown(KVEngine& owner) : owner_(owner) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;

    private:
        KVEngine& owner_;
        LONG references_ = 0;
    };

    explicit KVEngine(IUnknown* outer);
    virtual ~KVEngine();

    // What the object answers to: its QueryInterface and IObjectSafety read it.
    static const InterfaceEntry<KVEngine> kInterfaces[];
    static IUnknown* OwnIdentity(KVEngine& engine) { return &engine.own_; }
    // Runs an IKVEngine method's body for a caller that may use the object: E_ACCESSDENIED for
    // a page of another origin, the failure as a result when the body throws.
    template <typename Body>
    HRESULT ForAllowedCaller(Body&& body);
    HRESULT StoreText(BSTR text, std::string& stored);
    // Cancels a running scan worker and waits for it, killing it after waitMs.
    void StopScanWorker(DWORD waitMs);
    void WaitForFullScanText() const;

    static DWORD WINAPI ScanWorker(void* engine);
    void RunScan();
    std::string DevicePass();
    std::string SoftwarePass();
    static DWORD WINAPI UpdateCountThread(void* engine);
    // Starts `worker` with this object; the thread keeps the library loaded until it ends.
    UniqueKernelHandle StartPinnedThread(LPTHREAD_START_ROUTINE worker);

    OwnUnknown own_;
    IUnknown* controlling_;

    SharedText inventoryText_;  // the most recent finished full scan
    std::atomic<bool> fullScanFinished_{false};
    UniqueKernelHandle scanWorker_;
    UniqueKernelHandle countWorker_;
    std::string email_;
    std::string password_;
    std::atomic<int32_t> progress_{0};
    std::atomic<int32_t> status_{0};
    std::atomic<int32_t> scanType_{0};
    std::atomic<int32_t> updateCount_{0};
    std::atomic<uint8_t> cancel_{0};
    DWORD safetyOptions_ = 0;
    PageSite site_;
};
