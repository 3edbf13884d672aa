// Worker threads of the window layer.
#pragma once

#include "unique_handle.h"

#include <windows.h>

typedef unsigned(__stdcall* WorkerFunction)(void* parameter);

// Starts `function(parameter)` on a new thread with the C runtime set up for it. `flags` may be
// CREATE_SUSPENDED. Returns the thread's handle, empty when no thread could be made.
UniqueKernelHandle StartWorkerThread(WorkerFunction function, void* parameter, unsigned flags = 0);
