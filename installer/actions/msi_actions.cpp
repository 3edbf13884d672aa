// The custom actions of the MSI package (korvala.wxs), which Windows Installer's own tables cannot
// express: closing every running korvala-desk before anything changes, the local Users group's
// rights on the settings key, and removing the settings the program wrote when Korvala is
// uninstalled (not when an upgrade removes the earlier version), with their rollback. The setup
// program closes korvala-desk through the same code (CloseRunningKorvalaForSetup).
#include "running_program.h"
#include "settings_key.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

namespace {

// An error message: shown in a message box with full UI, written to the log with /qn.
void ReportError(MSIHANDLE install, const std::string& text)
{
    PMSIHANDLE record = ::MsiCreateRecord(0);
    ::MsiRecordSetStringA(record, 0, text.c_str());
    ::MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), record);
}

// The end of an action on the settings: a failure is written to the log, and the installation
// goes on, usable.
UINT LogFailure(MSIHANDLE install, DWORD result, const char* what)
{
    if (result != ERROR_SUCCESS) {
        PMSIHANDLE record = ::MsiCreateRecord(0);
        const std::string text = std::string(what) + ": error " + std::to_string(result);
        ::MsiRecordSetStringA(record, 0, text.c_str());
        ::MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    }
    return ERROR_SUCCESS;
}

}  // namespace

// Immediate, before anything is changed: a program that does not end in time fails the
// installation (1603), which leaves the installed version as it was. A deployment tool runs
// msiexec, and so this action, as the local system, which the request to close reaches in every
// session; an administrator's msiexec reaches the programs of other sessions where the token
// holds the Administrators group (elevated), and the own session's programs in any case.
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
    return LogFailure(install, GrantUsersTheSettings(),
                      "The local Users group could not be given its rights on the Korvala settings");
}

// Deferred, as the system, on uninstallation only. The key is backed up first: RestoreSettingsKey
// puts it back when the installation fails or is cancelled later, ForgetSettingsBackup drops the
// backup when it succeeds.
extern "C" UINT __stdcall RemoveSettingsKey(MSIHANDLE install)
{
    return LogFailure(install, RemoveSettings(), "The Korvala settings could not be removed");
}

// Rollback of RemoveSettingsKey, as the system.
extern "C" UINT __stdcall RestoreSettingsKey(MSIHANDLE install)
{
    return LogFailure(install, RestoreSettings(), "The Korvala settings could not be restored");
}

// Commit of RemoveSettingsKey, as the system.
extern "C" UINT __stdcall ForgetSettingsBackup(MSIHANDLE install)
{
    return LogFailure(install, DropSettingsBackup(), "The backup of the Korvala settings could not be removed");
}
