#include "class_factory.h"

#include "contain_failures.h"
#include "critical_section.h"
#include "module.h"

#include <new>

namespace {
CriticalSection factoryLock;
}  // namespace

CClassFactory* CClassFactory::Instance(ObjectMapEntry& entry)
{
    ScopedLock hold(factoryLock);
    if (!entry.classObject)
        entry.classObject = new (std::nothrow) CClassFactory(entry.create);
    return entry.classObject;
}

void CClassFactory::ReleaseInstance(ObjectMapEntry& entry)
{
    ScopedLock hold(factoryLock);
    if (entry.classObject) {
        entry.classObject->Release();
        entry.classObject = nullptr;
    }
}

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
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
