// The desktop program as the installers see it: its processes in every session, and asking them
// to close.
#pragma once

#include <windows.h>

#include <vector>

// How long the running korvala-desk programs have to end, in all, after they were asked to close.
const DWORD kProgramCloseWaitMs = 15000;

// The main window of a running korvala-desk on this desktop (a dialog with this caption), or null.
HWND FindProgramWindow();

// The process ids of every running korvala-desk.exe, in every session and on every desktop.
std::vector<DWORD> RunningProgramIds();

// Asks the program with this process id to close: through its request event (close_request.h),
// which reaches it in any session, or, for a version without one, through its window's system
// menu on this desktop. Either ends it as its user's close does.
void AskProgramToClose(DWORD processId);

// Waits at most waitMs for the process to end: on its handle, or, where the process gives none
// (another user's, to an administrator who is not the system), until it has left the process list.
// A program started through a shortcut outlives its starter: only its own end frees its files.
bool WaitForProgramEnd(DWORD processId, DWORD waitMs);

// Asks every running korvala-desk to close and waits for all of them to end, at most waitMs in
// all; false when one still runs then.
bool CloseRunningPrograms(DWORD waitMs);
