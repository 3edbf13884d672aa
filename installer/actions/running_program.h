// The desktop program as the installers see it: its main window, and asking it to close the way
// the user does.
#pragma once

#include <windows.h>

// The main window of a running korvala-desk (a dialog with this caption), or null.
HWND FindProgramWindow();

// Asks the window to close as its system menu does (WM_SYSCOMMAND SC_CLOSE: the program ignores a
// bare WM_CLOSE) and waits at most waitMs for the process that owns it to end. A program started
// through a shortcut outlives its starter, so only its own end frees its files.
bool CloseAndWaitForOwner(HWND window, DWORD waitMs);

// Closes every running korvala-desk within waitMs in all; false when one still runs then.
bool CloseRunningPrograms(DWORD waitMs);
