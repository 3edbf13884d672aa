#include "service_base_url.h"

// korvala-desk-loopback: the whole program, talking to a service on its own loopback port.
const char* ServiceBaseUrl()
{
    return KORVALA_LOOPBACK_SERVICE_URL;
}
