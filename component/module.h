#pragma once
// State of the loaded library: its instance, the count of reasons to stay loaded, and the
// cached type information that serves the dispatch side of the engine object.
#include "unique_handle.h"

#include <windows.h>
#include <oaidl.h>

#include <string>

// From DllMain: the library was loaded as instance.
void AttachModule(HINSTANCE instance);
// From DllMain when FreeLibrary unloads the library (not at process exit): gives back the type
// information it cached.
void DetachModule();
// From DllMain at process exit: the libraries that made the cached type information may be gone,
// so it is left to the system rather than released.
void DetachModuleAtProcessExit();

HINSTANCE ModuleInstance();
// The library's full file name as the loader knows it.
std::string ModuleFileName();

// The module lock count: live objects, server locks and class objects held by clients.
void LockModule();
void UnlockModule();
LONG ModuleLockCount();

// A reference that keeps the library loaded while a worker thread runs: the thread takes it over
// and ends with FreeLibraryAndExitThread(ModuleInstance(), ...). Empty when it could not be taken.
UniqueLibrary PinModuleForThread();

// The library's type library: from the file itself, or from a ".tlb" beside it. loadedFrom
// receives the file name that loaded.
HRESULT LoadModuleTypeLib(ITypeLib** typeLib, std::wstring& loadedFrom);

// The type information of IKVEngine, loaded once and held until the library is unloaded.
HRESULT GetEngineTypeInfo(LCID lcid, ITypeInfo** typeInfo);
