#include "kvobject_library.h"

#include "shell_link.h"

#include <shlobj.h>

namespace {
constexpr int kTestShortcuts = 60;

std::string TestShortcutPath(int i)
{
    return SpecialFolder(CSIDL_STARTMENU) + "\\KVObject test tool " + std::to_string(i) + ".lnk";
}

using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using CanUnloadNowFunction = HRESULT(WINAPI*)();

}  // namespace

KVObjectLibrary::KVObjectLibrary() : module_(LoadLibraryA(Path().c_str())) {}

KVObjectLibrary::~KVObjectLibrary()
{
    if (module_)
        FreeLibrary(module_);
}

std::string KVObjectLibrary::Path() const
{
    return ProgramFolder() + "\\KVObject.dll";
}

HRESULT KVObjectLibrary::GetClassObject(REFCLSID clsid, REFIID riid, void** object) const
{
    return ExportOf<GetClassObjectFunction>(module_, "DllGetClassObject")(clsid, riid, object);
}

HRESULT KVObjectLibrary::CanUnloadNow() const
{
    return ExportOf<CanUnloadNowFunction>(module_, "DllCanUnloadNow")();
}

IKVEngine* KVObjectLibrary::NewEngine() const
{
    IClassFactory* factory = nullptr;
    if (FAILED(GetClassObject(CLSID_KVEngine, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return nullptr;
    IKVEngine* engine = nullptr;
    factory->CreateInstance(nullptr, IID_IKVEngine, reinterpret_cast<void**>(&engine));
    factory->Release();
    return engine;
}

void CreateTestShortcuts()
{
    CoInitialize(nullptr);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    for (int i = 0; i < kTestShortcuts; ++i)
        CreateShortcut(TestShortcutPath(i), self);
    CoUninitialize();
}

void RemoveTestShortcuts()
{
    for (int i = 0; i < kTestShortcuts; ++i)
        DeleteFileA(TestShortcutPath(i).c_str());
}

std::string ScanString(IKVEngine* engine)
{
    BSTR document = nullptr;
    if (FAILED(engine->GetScanString(&document)))
        return std::string();
    std::string text;
    for (UINT i = 0; i < SysStringLen(document); ++i)
        text += char(document[i]);
    SysFreeString(document);
    return text;
}

std::string DataElement(const std::string& document)
{
    size_t start = document.find("<Data ");
    size_t end = document.find("</Data>");
    return start == std::string::npos || end == std::string::npos ? std::string() : document.substr(start, end - start);
}

int WaitForScanEnd(IKVEngine* engine, DWORD timeoutMs, bool* sawRunning)
{
    DWORD start = GetTickCount();
    int status = -1;
    for (;;) {
        engine->GetScanStatus(&status);
        if (status == 1 && sawRunning)
            *sawRunning = true;
        if (status == 2 || GetTickCount() - start > timeoutMs)
            return status;
        Sleep(1);
    }
}
