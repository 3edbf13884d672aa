#pragma once
// A variable of the test process's environment; "" when it is unset or longer than MAX_PATH.
#include <string>

std::string EnvironmentText(const char* name);
