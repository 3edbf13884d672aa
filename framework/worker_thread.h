// Worker threads of the window layer.
#pragma once

#include <windows.h>

typedef unsigned(__stdcall* WorkerFunction)(void* parameter);

// Starts `function(parameter)` on a new thread with the C runtime set up for it. `flags` may be
// CREATE_SUSPENDED. Returns the thread's handle, which the caller closes, or null.
HANDLE StartWorkerThread(WorkerFunction function, void* parameter, unsigned flags = 0);
