#include "hand_cursor.h"

#include "unique_handle.h"

#include <cstring>
#include <string>

namespace {
HCURSOR g_handCursor = nullptr;
}

HCURSOR LoadHandCursor()
{
    if (g_handCursor) {
        return g_handCursor;
    }
    char windows[MAX_PATH] = {};
    UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        std::string helpProgram = std::string(windows, length) + "\\winhlp32.exe";
        UniqueLibrary module(::LoadLibraryA(helpProgram.c_str()));
        HCURSOR cursor = module ? ::LoadCursorA(module.Get(), MAKEINTRESOURCEA(106)) : nullptr;
        if (cursor) {
            // A copy of its own: the help program's cursor goes with the library.
            g_handCursor = ::CopyIcon(cursor);
        }
    }
    if (!g_handCursor) {
        // Some systems' help program has no such cursor (Wine's has none): take the system's hand.
        HCURSOR cursor = ::LoadCursorA(nullptr, IDC_HAND);
        if (cursor) {
            g_handCursor = ::CopyIcon(cursor);
        }
    }
    return g_handCursor;
}

HCURSOR LoadedHandCursor()
{
    return g_handCursor;
}

bool IsLinkButton(HWND window)
{
    char className[80] = {};
    char caption[3] = {};
    if (!window || !::GetClassNameA(window, className, sizeof(className)) || ::lstrcmpiA(className, "Button") != 0) {
        return false;
    }
    ::GetWindowTextA(window, caption, sizeof(caption));
    return std::strcmp(caption, " ") == 0;
}

BOOL SetHandCursorOverLinkButton(HWND window)
{
    HCURSOR hand = IsLinkButton(window) ? LoadHandCursor() : nullptr;
    if (!hand) {
        return FALSE;
    }
    ::SetCursor(hand);
    return TRUE;
}
