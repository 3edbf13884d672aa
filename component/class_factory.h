#pragma once
// The class object of KVEngine: created on the first request and kept until the library unloads.
#include "interface_table.h"

#include <windows.h>
#include <unknwn.h>

class CKVEngineFactory : public IClassFactory {
public:
    // The one class object, made under a lock on the first call; nullptr when memory ran out.
    static CKVEngineFactory* Instance();
    // Drops the cached reference (library unload).
    static void ReleaseInstance();

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    CKVEngineFactory() = default;
    virtual ~CKVEngineFactory() = default;

    static const InterfaceEntry<CKVEngineFactory> kInterfaces[];

    LONG references_ = 1;  // the cache's own reference
};
