// The test packages' failing action: ends the installation with a failure, so that Windows
// Installer rolls back everything the installation did before it.
#include <windows.h>
#include <msi.h>

extern "C" UINT __stdcall FailForTest(MSIHANDLE)
{
    return ERROR_INSTALL_FAILURE;
}
