#include "environment_text.h"

#include <windows.h>

std::string EnvironmentText(const char* name)
{
    char value[MAX_PATH] = {};
    DWORD length = ::GetEnvironmentVariableA(name, value, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(value) : std::string();
}
