#include "registrar.h"

#include "unique_handle.h"

#include <strings.h>

namespace {

constexpr int kMaxKeyNameLength = 256;

HKEY RootKeyFor(const std::string& name)
{
    struct Root {
        const char* shortName;
        const char* longName;
        HKEY key;
    };
    static const Root roots[] = {
        {"HKCR", "HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKU", "HKEY_USERS", HKEY_USERS},
    };
    for (const Root& root : roots) {
        if (strcasecmp(name.c_str(), root.shortName) == 0 || strcasecmp(name.c_str(), root.longName) == 0)
            return root.key;
    }
    return nullptr;
}

LONG SetValue(HKEY key, const RegistryValue& value)
{
    const char* name = value.name.empty() ? nullptr : value.name.c_str();
    if (value.kind == RegistryValue::Kind::Dword)
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number),
                              sizeof value.number);
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text.c_str()),
                          DWORD(value.text.size()) + 1);
}

LONG WriteKey(HKEY parent, const RegistryKey& entry)
{
    if (entry.removal == RegistryKey::Removal::ForceRemove)
        DeleteKeyTree(parent, entry.name);
    UniqueRegKey key;
    LONG result = RegCreateKeyExA(parent, entry.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                  nullptr, key.Receive(), nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    if (entry.hasDefault)
        result = SetValue(key.Get(), entry.defaultValue);
    for (size_t i = 0; result == ERROR_SUCCESS && i < entry.values.size(); ++i)
        result = SetValue(key.Get(), entry.values[i]);
    for (size_t i = 0; result == ERROR_SUCCESS && i < entry.subkeys.size(); ++i)
        result = WriteKey(key.Get(), entry.subkeys[i]);
    return result;
}

void RemoveKey(HKEY parent, const RegistryKey& entry)
{
    if (entry.removal == RegistryKey::Removal::ForceRemove) {
        DeleteKeyTree(parent, entry.name);
        return;
    }
    UniqueRegKey key;
    if (RegOpenKeyExA(parent, entry.name.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS)
        return;
    for (const RegistryKey& subkey : entry.subkeys)
        RemoveKey(key.Get(), subkey);
    for (const RegistryValue& value : entry.values)
        RegDeleteValueA(key.Get(), value.name.c_str());
    key.Reset();
    if (entry.removal != RegistryKey::Removal::NoRemove)
        RegDeleteKeyA(parent, entry.name.c_str());
}

}  // namespace

LONG DeleteKeyTree(HKEY parent, const std::string& name)
{
    UniqueRegKey key;
    LONG result = RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, key.Receive());
    if (result != ERROR_SUCCESS)
        return result;
    // Always take the first subkey: the indexes shift as subkeys go.
    for (;;) {
        char child[kMaxKeyNameLength] = {};
        DWORD length = sizeof child;
        if (RegEnumKeyExA(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (DeleteKeyTree(key.Get(), std::string(child, length)) != ERROR_SUCCESS)
            break;
    }
    key.Reset();
    return RegDeleteKeyA(parent, name.c_str());
}

HRESULT RegisterScript(const RegistryScript& script)
{
    for (const RegistryKey& root : script.roots) {
        HKEY rootKey = RootKeyFor(root.name);
        if (!rootKey)
            return E_INVALIDARG;
        for (const RegistryKey& entry : root.subkeys) {
            LONG result = WriteKey(rootKey, entry);
            if (result != ERROR_SUCCESS)
                return HRESULT_FROM_WIN32(result);
        }
    }
    return S_OK;
}

void UnregisterScript(const RegistryScript& script)
{
    for (const RegistryKey& root : script.roots) {
        HKEY rootKey = RootKeyFor(root.name);
        if (!rootKey)
            continue;
        for (const RegistryKey& entry : root.subkeys)
            RemoveKey(rootKey, entry);
    }
}

HRESULT LoadScriptResource(HINSTANCE module, int id, const std::string& shortPath, RegistryScript& script)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "REGISTRY");
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!data)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    std::string text(data, SizeofResource(module, found));
    std::string expanded, error;
    if (!ExpandScriptVariables(text, {{"MODULE", shortPath}}, expanded) ||
        !ParseRegistryScript(expanded, script, error))
        return E_UNEXPECTED;
    return S_OK;
}
