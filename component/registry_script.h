#pragma once
// Registry scripts: the text form in which the library describes the keys it writes on
// registration and removes on unregistration. This part only reads the text into a tree;
// applying the tree to the registry is the job of the Windows layer.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct RegistryValue {
    enum class Kind { String, Dword };
    std::string name;  // empty for a key's default value
    Kind kind = Kind::String;
    std::string text;
    uint32_t number = 0;
};

struct RegistryKey {
    enum class Removal { Normal, NoRemove, ForceRemove };
    std::string name;
    Removal removal = Removal::Normal;
    bool hasDefault = false;
    RegistryValue defaultValue;
    std::vector<RegistryValue> values;
    std::vector<RegistryKey> subkeys;
};

// The top level: one entry per root key (HKCR, HKLM, ...), each holding the keys below it.
struct RegistryScript {
    std::vector<RegistryKey> roots;
};

// Replaces every %NAME% with its value from variables, doubling the value's single quotes
// so that it can stand inside a quoted name or value; "%%" gives one "%". False when a name
// is unknown or a "%" is left open.
bool ExpandScriptVariables(const std::string& text, const std::map<std::string, std::string>& variables,
                           std::string& expanded);

// Reads an expanded script into script; false (and error set) on any syntax fault.
bool ParseRegistryScript(const std::string& text, RegistryScript& script, std::string& error);
