#include "service_base_url.h"

const char* ServiceBaseUrl()
{
    return KORVALA_SERVICE_URL;
}
