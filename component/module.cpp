#include "module.h"

#include "com_ptr.h"
#include "contain_failures.h"
#include "critical_section.h"
#include "kvobject.h"
#include "shared_text.h"

namespace {

constexpr LCID kTypeLibLocale = 0x0409;

HINSTANCE moduleInstance = nullptr;
LONG moduleLocks = 0;
CriticalSection typeInfoLock;
ComPtr<ITypeInfo> engineTypeInfo;

HRESULT LoadEngineTypeInfo(LCID lcid, ITypeInfo** typeInfo)
{
    ComPtr<ITypeLib> typeLib;
    // The library is registered for one locale only; callers in other locales get that one.
    HRESULT hr = LoadRegTypeLib(LIBID_KVOBJECTLib, 1, 0, lcid, typeLib.Receive());
    if (FAILED(hr) && lcid != kTypeLibLocale)
        hr = LoadRegTypeLib(LIBID_KVOBJECTLib, 1, 0, kTypeLibLocale, typeLib.Receive());
    if (FAILED(hr)) {
        std::wstring loadedFrom;
        hr = LoadModuleTypeLib(typeLib.Receive(), loadedFrom);
    }
    if (FAILED(hr))
        return hr;
    return typeLib->GetTypeInfoOfGuid(IID_IKVEngine, typeInfo);
}

}  // namespace

SharedText& LastInventoryText()
{
    static SharedText text;
    return text;
}

HINSTANCE ModuleInstance()
{
    return moduleInstance;
}

std::string ModuleFileName()
{
    char name[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(moduleInstance, name, MAX_PATH);
    return std::string(name, length <= MAX_PATH ? length : 0);
}

void LockModule()
{
    InterlockedIncrement(&moduleLocks);
}

void UnlockModule()
{
    InterlockedDecrement(&moduleLocks);
}

LONG ModuleLockCount()
{
    return InterlockedCompareExchange(&moduleLocks, 0, 0);
}

UniqueLibrary PinModuleForThread()
{
    UniqueLibrary pin;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&PinModuleForThread),
                       pin.Receive());
    return pin;
}

HRESULT LoadModuleTypeLib(ITypeLib** typeLib, std::wstring& loadedFrom)
{
    wchar_t name[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameW(moduleInstance, name, MAX_PATH);
    if (length == 0 || length > MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    loadedFrom.assign(name, length);
    HRESULT hr = LoadTypeLib(loadedFrom.c_str(), typeLib);
    if (SUCCEEDED(hr))
        return hr;
    size_t dot = loadedFrom.rfind(L'.');
    size_t separator = loadedFrom.find_last_of(L"\\/:");
    if (dot != std::wstring::npos && (separator == std::wstring::npos || dot > separator))
        loadedFrom.erase(dot);
    loadedFrom += L".tlb";
    return LoadTypeLib(loadedFrom.c_str(), typeLib);
}

HRESULT GetEngineTypeInfo(LCID lcid, ITypeInfo** typeInfo)
{
    if (!typeInfo)
        return E_POINTER;
    *typeInfo = nullptr;
    // The dispatch methods reach allocations only through here.
    return ContainFailures([&] {
        ScopedLock hold(typeInfoLock);
        if (!engineTypeInfo) {
            HRESULT hr = LoadEngineTypeInfo(lcid, engineTypeInfo.Receive());
            if (FAILED(hr))
                return hr;
        }
        return engineTypeInfo.CopyTo(typeInfo);
    });
}

void AttachModule(HINSTANCE instance)
{
    moduleInstance = instance;
}

void DetachModule()
{
    engineTypeInfo.Reset();
}

void DetachModuleAtProcessExit()
{
    engineTypeInfo.Detach();
}
