#include "class_factory.h"

#include "contain_failures.h"
#include "critical_section.h"
#include "module.h"

#include <new>

namespace {
CriticalSection factoryLock;
}  // namespace

const InterfaceEntry<CClassFactory> CClassFactory::kInterfaces[] = {
    {&IID_IUnknown, InterfaceThrough<CClassFactory, IClassFactory>},
    {&IID_IClassFactory, InterfaceThrough<CClassFactory, IClassFactory>},
};

CClassFactory* CClassFactory::Instance(ObjectMapEntry& entry)
{
    ScopedLock hold(factoryLock);
    // The new object's one reference is the cache's.
    if (!entry.classObject)
        entry.classObject.Attach(new (std::nothrow) CClassFactory(entry.create));
    return entry.classObject.Get();
}

void CClassFactory::ReleaseInstance(ObjectMapEntry& entry)
{
    ScopedLock hold(factoryLock);
    entry.classObject.Reset();
}

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** object)
{
    return QueryInterfaceByTable(*this, kInterfaces, riid, object);
}

// While anyone besides the cache holds the class object, the library must stay loaded.
STDMETHODIMP_(ULONG) CClassFactory::AddRef()
{
    LONG count = InterlockedIncrement(&references_);
    if (count == 2)
        LockModule();
    return ULONG(count);
}

STDMETHODIMP_(ULONG) CClassFactory::Release()
{
    LONG count = InterlockedDecrement(&references_);
    if (count == 1)
        UnlockModule();
    else if (count == 0)
        delete this;
    return ULONG(count);
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer && !IsEqualIID(riid, IID_IUnknown))
        return CLASS_E_NOAGGREGATION;
    return ContainFailures([&] { return create_(outer, riid, object); });
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock)
{
    if (lock)
        LockModule();
    else
        UnlockModule();
    return S_OK;
}
