// The message loop of a modal dialog or property sheet: every message is first offered to the
// window objects it passes (pre-translation), then to the dialog's keyboard handling.
#pragma once

#include <windows.h>

#include <functional>

// Runs until `running` returns false. Returns false when WM_QUIT arrived (it is posted again
// for the loop outside).
bool RunModalLoop(HWND dialog, const std::function<bool()>& running, const std::function<BOOL(MSG*)>& isDialogMessage);
