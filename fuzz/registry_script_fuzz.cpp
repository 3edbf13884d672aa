// Registry scripts: variables expanded as at registration, then the text read into its tree.
#include "registry_script.h"

#include <cstdint>
#include <map>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    static const std::map<std::string, std::string> variables = {{"MODULE", "C:\\PROG~1\\Kor'vala\\KVObject.dll"}};
    std::string expanded;
    if (!ExpandScriptVariables(text, variables, expanded))
        expanded = text;
    RegistryScript script;
    std::string error;
    ParseRegistryScript(expanded, script, error);
    return 0;
}
