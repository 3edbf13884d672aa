#pragma once
// Loads the built KVObject.dll (beside the test program) and reaches its class object directly,
// as COM would after reading the registry.
#include "kvobject.h"

#include <windows.h>

#include <string>

// A function that a loaded library exports, as the given pointer type; null when it has none.
template <typename Function>
Function ExportOf(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

class KVObjectLibrary {
public:
    KVObjectLibrary();
    ~KVObjectLibrary();

    bool Loaded() const { return module_ != nullptr; }
    std::string Path() const;

    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) const;
    HRESULT CanUnloadNow() const;
    // A new engine through the class factory; nullptr on failure.
    IKVEngine* NewEngine() const;

private:
    HMODULE module_;
};

// How long a test waits for a scan to end: generous, so that a loaded machine is not a failure.
constexpr DWORD kScanEndBoundMs = 120000;

// Polls the status until it is 2 or timeoutMs passes; returns the last status seen and
// records whether status 1 was ever seen.
int WaitForScanEnd(IKVEngine* engine, DWORD timeoutMs, bool* sawRunning = nullptr);

// Shortcuts to the test program in the user's Start menu, enough for a software pass to earn its
// ~50 progress units. Suites that need them make them before and remove them after.
void CreateTestShortcuts();
void RemoveTestShortcuts();

// GetScanString's document as 8-bit text; empty when the call fails.
std::string ScanString(IKVEngine* engine);
// The document's Data element from its start tag up to its end tag; empty when it has none.
std::string DataElement(const std::string& document);
