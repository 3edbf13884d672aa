#include "class_factory.h"

#include "com_ptr.h"
#include "contain_failures.h"
#include "critical_section.h"
#include "kv_engine.h"
#include "module.h"

#include <new>

namespace {
CriticalSection factoryLock;
ComPtr<CKVEngineFactory> cachedFactory;
}  // namespace

const InterfaceEntry<CKVEngineFactory> CKVEngineFactory::kInterfaces[] = {
    {&IID_IUnknown, InterfaceThrough<CKVEngineFactory, IClassFactory>},
    {&IID_IClassFactory, InterfaceThrough<CKVEngineFactory, IClassFactory>},
};

CKVEngineFactory* CKVEngineFactory::Instance()
{
    ScopedLock hold(factoryLock);
    // The new object's one reference is the cache's.
    if (!cachedFactory)
        cachedFactory.Attach(new (std::nothrow) CKVEngineFactory());
    return cachedFactory.Get();
}

void CKVEngineFactory::ReleaseInstance()
{
    ScopedLock hold(factoryLock);
    cachedFactory.Reset();
}

STDMETHODIMP CKVEngineFactory::QueryInterface(REFIID riid, void** object)
{
    return QueryInterfaceByTable(*this, kInterfaces, riid, object);
}

// While anyone besides the cache holds the class object, the library must stay loaded.
STDMETHODIMP_(ULONG) CKVEngineFactory::AddRef()
{
    LONG count = InterlockedIncrement(&references_);
    if (count == 2)
        LockModule();
    return ULONG(count);
}

STDMETHODIMP_(ULONG) CKVEngineFactory::Release()
{
    LONG count = InterlockedDecrement(&references_);
    if (count == 1)
        UnlockModule();
    else if (count == 0)
        delete this;
    return ULONG(count);
}

STDMETHODIMP CKVEngineFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer && !IsEqualIID(riid, IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    return ContainFailures([&] { return KVEngine::Create(outer, riid, object); });
}

STDMETHODIMP CKVEngineFactory::LockServer(BOOL lock)
{
    if (lock)
        LockModule();
    else
        UnlockModule();
    return S_OK;
}
