#pragma once
// Windows System Restore points named "Korvala Restore Point". SRCLIENT.dll is bound at the first
// restore point, not imported, so that both deliverables load on systems without System Restore
// (server editions, stripped installations).
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

// The component's restore point: 0 when the point was made, 1 when the begin or the end call
// failed or System Restore could not be bound.
int CreateSrpResult();
