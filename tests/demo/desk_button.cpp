// Presses a button of the running korvala-desk from outside, as the user would: waits (at most
// 30 s) for the main window "Korvala 2007" to show, then sends it the button's click.
// Usage: desk_button CONTROL_ID (1001 Start/Stop, 1005 Close). Exit code 0 when sent.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    int control = argc > 1 ? std::atoi(argv[1]) : 0;
    if (control <= 0) {
        std::fprintf(stderr, "usage: desk_button CONTROL_ID\n");
        return 2;
    }
    HWND window = nullptr;
    for (int i = 0; i < 600 && !window; ++i) {
        HWND found = FindWindowA("#32770", "Korvala 2007");
        if (found && IsWindowVisible(found))
            window = found;
        else
            Sleep(50);
    }
    if (!window) {
        std::fprintf(stderr, "desk_button: no window \"Korvala 2007\" showed within 30 s\n");
        return 1;
    }
    HWND button = GetDlgItem(window, control);
    if (!button ||
        !PostMessageA(window, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), reinterpret_cast<LPARAM>(button))) {
        std::fprintf(stderr, "desk_button: the window has no button %d\n", control);
        return 1;
    }
    return 0;
}
