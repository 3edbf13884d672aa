#pragma once
// Applies a registry script to the registry: writing it on registration, deleting what it
// names on removal.
#include "registry_script.h"

#include <windows.h>

// Registration: a ForceRemove key is deleted with its subtree first; each key is opened or
// created, its default value and named values are set. Stops at the first failure.
HRESULT RegisterScript(const RegistryScript& script);

// Removal: every key and value the script names is deleted, subkeys before their keys. NoRemove
// keys are only descended into; ForceRemove keys go with their whole subtree, including what
// other registrations added below them. Errors are ignored.
void UnregisterScript(const RegistryScript& script);

// Deletes parent\name with everything below it (works on systems without RegDeleteTree).
LONG DeleteKeyTree(HKEY parent, const std::string& name);

// Reads the script resource of the given type and id from the module, expands %MODULE% to
// shortPath and parses it.
HRESULT LoadScriptResource(HINSTANCE module, int id, const std::string& shortPath, RegistryScript& script);
