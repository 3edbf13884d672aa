// The program-wide hand pointer shown over links and link-style buttons.
#pragma once

#include <windows.h>

// Loaded on first call and kept for the rest of the run: cursor 106 of the Windows help
// program, or the system's hand where that program has none. Null when neither exists.
HCURSOR LoadHandCursor();
// The hand pointer if it has been loaded, else null.
HCURSOR LoadedHandCursor();

// Whether `window` is a link-style button: a button whose caption is exactly one space.
bool IsLinkButton(HWND window);

// For a window's WM_SETCURSOR: when `window` is a button whose caption is exactly one space,
// shows the hand pointer and returns TRUE; otherwise FALSE (leave it to the default handling).
BOOL SetHandCursorOverLinkButton(HWND window);
