#pragma once
// The class object of a class that the library serves. It makes the class's objects with the
// function that the library's object map gives for the class, and is made on the first request
// and kept until the library unloads.
#include "com_ptr.h"
#include "interface_table.h"

#include <windows.h>
#include <unknwn.h>

// Makes an object of a class and answers riid; with an outer object the object is aggregated and
// riid must be IID_IUnknown.
using CreateObjectFunction = HRESULT (*)(IUnknown* outer, REFIID riid, void** object);

struct ObjectMapEntry;

class CClassFactory : public IClassFactory {
public:
    // The entry's one class object, made under a lock on the first call; nullptr when memory ran
    // out.
    static CClassFactory* Instance(ObjectMapEntry& entry);
    // Drops the entry's cached reference (library unload).
    static void ReleaseInstance(ObjectMapEntry& entry);

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    explicit CClassFactory(CreateObjectFunction create) : create_(create) {}
    virtual ~CClassFactory() = default;

    static const InterfaceEntry<CClassFactory> kInterfaces[];

    const CreateObjectFunction create_;
    LONG references_ = 1;  // the cache's own reference
};

// One class of the library's object map: its class id, the function that makes its objects and
// its class object once a client asked for it.
struct ObjectMapEntry {
    const CLSID& clsid;
    CreateObjectFunction create;
    ComPtr<CClassFactory> classObject;
};
