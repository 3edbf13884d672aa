// The library's self-registration: the class and its ProgIDs from the registry script, the
// safe-for-scripting categories and the type library.
#include "com_ptr.h"
#include "contain_failures.h"
#include "kvobject.h"
#include "module.h"
#include "registrar.h"
#include "resource.h"
#include "unique_handle.h"

#include <comcat.h>
#include <objbase.h>

namespace {

// Both categories the class declares: it may be driven by scripts and initialised from them.
const CATID kImplementedCategories[] = {
    {0x7DD95801, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}},
    {0x7DD95802, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}},
};

// The module's 8.3 path, as written for InprocServer32 (no spaces for old loaders).
std::string ModuleShortPath()
{
    std::string longName = ModuleFileName();
    char shortName[MAX_PATH + 1] = {};
    DWORD length = GetShortPathNameA(longName.c_str(), shortName, MAX_PATH);
    if (length == 0 || length > MAX_PATH)
        return longName;
    return std::string(shortName, length);
}

HRESULT LoadScript(RegistryScript& script)
{
    return LoadScriptResource(ModuleInstance(), IDR_KVENGINE, ModuleShortPath(), script);
}

ComPtr<ICatRegister> CreateCategoryManager()
{
    ComPtr<ICatRegister> manager;
    manager.CreateInstance(CLSID_StdComponentCategoriesMgr);
    return manager;
}

HRESULT RegisterCategories()
{
    ComPtr<ICatRegister> manager = CreateCategoryManager();
    if (!manager)
        return S_OK;
    HRESULT hr = S_OK;
    for (const CATID& category : kImplementedCategories) {
        CATID one = category;
        hr = manager->RegisterClassImplCategories(CLSID_KVEngine, 1, &one);
        if (FAILED(hr))
            break;
    }
    return hr;
}

void UnregisterCategories()
{
    ComPtr<ICatRegister> manager = CreateCategoryManager();
    if (!manager)
        return;
    for (const CATID& category : kImplementedCategories) {
        CATID one = category;
        manager->UnRegisterClassImplCategories(CLSID_KVEngine, 1, &one);
    }
}

HRESULT RegisterModuleTypeLib()
{
    ComPtr<ITypeLib> typeLib;
    std::wstring loadedFrom;
    HRESULT hr = LoadModuleTypeLib(typeLib.Receive(), loadedFrom);
    if (FAILED(hr))
        return hr;
    std::wstring helpDirectory = loadedFrom.substr(0, loadedFrom.find_last_of(L"\\/:") + 1);
    return RegisterTypeLib(typeLib.Get(), &loadedFrom[0], &helpDirectory[0]);
}

void UnregisterModuleTypeLib()
{
    using UnRegisterTypeLibFunction = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);
    UniqueLibrary oleaut(LoadLibraryA("oleaut32.dll"));
    if (!oleaut)
        return;
    auto unregister = reinterpret_cast<UnRegisterTypeLibFunction>(
        reinterpret_cast<void*>(GetProcAddress(oleaut.Get(), "UnRegisterTypeLib")));
    ComPtr<ITypeLib> typeLib;
    std::wstring loadedFrom;
    if (unregister && SUCCEEDED(LoadModuleTypeLib(typeLib.Receive(), loadedFrom))) {
        TLIBATTR* attributes = nullptr;
        if (SUCCEEDED(typeLib->GetLibAttr(&attributes))) {
            unregister(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                       attributes->syskind);
            typeLib->ReleaseTLibAttr(attributes);
        }
    }
}

}  // namespace

STDAPI DllRegisterServer()
{
    return ContainFailures([] {
        RegistryScript script;
        HRESULT hr = LoadScript(script);
        if (SUCCEEDED(hr))
            hr = RegisterScript(script);
        if (SUCCEEDED(hr))
            hr = RegisterCategories();
        if (SUCCEEDED(hr))
            hr = RegisterModuleTypeLib();
        return hr;
    });
}

STDAPI DllUnregisterServer()
{
    return ContainFailures([] {
        // The categories live below the class key; they go first so the key can go with them.
        UnregisterCategories();
        RegistryScript script;
        if (SUCCEEDED(LoadScript(script)))
            UnregisterScript(script);
        UnregisterModuleTypeLib();
        return S_OK;
    });
}
