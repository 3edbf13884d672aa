// The web service's base address (scheme, host and port, no trailing slash). The program's is
// fixed at build time; a test program links its own definition to point at a local server.
#pragma once

const char* ServiceBaseUrl();
