// The test programs' service base address: a test points the host at its own server.
#pragma once

#include <string>

extern std::string g_testServiceBaseUrl;
