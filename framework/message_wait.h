// Waiting on the window thread for threads that talk to its windows with SendMessage.
#pragma once

#include <windows.h>

// Waits until every handle (null ones are skipped) is signalled or `timeoutMs` has passed, and
// meanwhile handles the messages that other threads send to this thread's windows, so that a
// thread blocked in SendMessage to this thread can run on and end. Posted messages stay queued.
// TRUE when all handles were signalled in time.
BOOL WaitHandlingSentMessages(const HANDLE* handles, DWORD count, DWORD timeoutMs);
