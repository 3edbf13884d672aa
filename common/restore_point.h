#pragma once
// Windows System Restore points named "Korvala Restore Point". The routine is bound to
// SRCLIENT.dll in two ways: the component imports it when it is loaded (CreateSrpResult, library
// restore_point_imported), the desktop program binds it at first use so that it starts on
// systems without System Restore (RunRestorePointAction, library restore_point).
#include "restore_point_message.h"

#include <windows.h>
#include <srrestoreptapi.h>

using SetRestorePointFunction = BOOL(WINAPI*)(PRESTOREPOINTINFOA, PSTATEMGRSTATUS);
using RemoveRestorePointFunction = DWORD(WINAPI*)(DWORD);

// The two System Restore functions; both null when they could not be bound.
struct SystemRestoreApi {
    SetRestorePointFunction setRestorePoint = nullptr;
    RemoveRestorePointFunction removeRestorePoint = nullptr;
};

// Begins a system change and ends it at once, which creates a closed restore point. When the
// end fails, the point that the begin made (if any) is removed again. Unbound functions fail
// both steps. Blocks while System Restore works, which can take many seconds.
RestorePointOutcome CreateRestorePoint(const SystemRestoreApi& api);

// Loads the library and looks both functions up; nothing is bound when either is missing.
SystemRestoreApi BindSystemRestore(const char* libraryName);

// SRCLIENT.dll's functions, bound on the first call and kept for the life of the process.
const SystemRestoreApi& SystemRestoreBoundAtFirstUse();

// The desktop program's restore-point action: creates a restore point and tells the user the
// outcome in a message box owned by the given window.
void RunRestorePointAction(HWND owner);

// The component's restore point over its load-time import of SRCLIENT.dll: 0 when the point
// was made, 1 when the begin or the end call failed.
int CreateSrpResult();
