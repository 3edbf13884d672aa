#include "service_base_url.h"
#include "test_service_base_url.h"

std::string g_testServiceBaseUrl = "http://127.0.0.1:8077";

const char* ServiceBaseUrl()
{
    return g_testServiceBaseUrl.c_str();
}
