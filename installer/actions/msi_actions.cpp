// The custom actions of the MSI package (korvala.wxs), which Windows Installer's own tables cannot
// express: closing a running korvala-desk before anything changes, the local Users group's rights
// on the settings key, and removing the settings the program wrote when Korvala is uninstalled
// (not when an upgrade removes the earlier version).
#include "running_program.h"
#include "settings_key.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

namespace {

// How long a running korvala-desk has to end after it was asked to close.
const DWORD kProgramCloseWaitMs = 15000;

// An error message: shown in a message box with full UI, written to the log with /qn.
void ReportError(MSIHANDLE install, const std::string& text)
{
    PMSIHANDLE record = ::MsiCreateRecord(0);
    ::MsiRecordSetStringA(record, 0, text.c_str());
    ::MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), record);
}

void Log(MSIHANDLE install, const std::string& text)
{
    PMSIHANDLE record = ::MsiCreateRecord(0);
    ::MsiRecordSetStringA(record, 0, text.c_str());
    ::MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

}  // namespace

// Immediate, before anything is changed: a program that does not end in time fails the
// installation (1603), which leaves the installed version as it was.
extern "C" UINT __stdcall CloseRunningKorvala(MSIHANDLE install)
{
    if (CloseRunningPrograms(kProgramCloseWaitMs))
        return ERROR_SUCCESS;
    ReportError(install, "Korvala 2007 is still running and did not close. Close it, then run the installation again.");
    return ERROR_INSTALL_FAILURE;
}

// Deferred, as the system, after the settings key was written. A failure leaves standard accounts
// unable to save their settings but the installation usable, as the setup program does.
extern "C" UINT __stdcall GrantUsersTheSettingsKey(MSIHANDLE install)
{
    const DWORD result = GrantUsersTheSettings();
    if (result != ERROR_SUCCESS)
        Log(install, "The local Users group could not be given its rights on the Korvala settings: error " +
                         std::to_string(result));
    return ERROR_SUCCESS;
}

// Deferred, as the system, on uninstallation only.
extern "C" UINT __stdcall RemoveSettingsKey(MSIHANDLE install)
{
    const DWORD result = RemoveSettings();
    if (result != ERROR_SUCCESS)
        Log(install, "The Korvala settings could not be removed: error " + std::to_string(result));
    return ERROR_SUCCESS;
}
