// The library's entry points for loading and unloading it and for the class objects of the
// classes it serves, which its object map lists.
#include "class_factory.h"
#include "kv_engine.h"
#include "kvobject.h"
#include "module.h"

namespace {

ObjectMapEntry objectMap[] = {
    {CLSID_KVEngine, &KVEngine::Create, {}},
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        AttachModule(instance);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        // Unloaded by FreeLibrary (not at process exit): give back what the library cached.
        for (ObjectMapEntry& entry : objectMap)
            CClassFactory::ReleaseInstance(entry);
        DetachModule();
    } else if (reason == DLL_PROCESS_DETACH) {
        DetachModuleAtProcessExit();
    }
    return TRUE;
}

STDAPI DllCanUnloadNow()
{
    return ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (ObjectMapEntry& entry : objectMap) {
        if (!IsEqualCLSID(clsid, entry.clsid))
            continue;
        CClassFactory* factory = CClassFactory::Instance(entry);
        if (!factory)
            return E_OUTOFMEMORY;
        return factory->QueryInterface(riid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}
