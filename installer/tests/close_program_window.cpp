// Waits for a top-level window with the given caption and asks it to close the way the user
// does from its system menu (WM_SYSCOMMAND SC_CLOSE).
// Usage: close_program_window "caption" seconds. Exit code 0 once asked, 1 when no such window
// appeared in time, 2 on wrong arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: close_program_window \"caption\" seconds\n");
        return 2;
    }
    const DWORD waitMs = static_cast<DWORD>(std::atoi(argv[2])) * 1000;
    const DWORD start = ::GetTickCount();
    for (;;) {
        HWND window = ::FindWindowA(nullptr, argv[1]);
        if (window && ::IsWindowVisible(window)) {
            ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            std::printf("closing \"%s\"\n", argv[1]);
            return 0;
        }
        if (::GetTickCount() - start >= waitMs) {
            std::printf("no window \"%s\"\n", argv[1]);
            return 1;
        }
        ::Sleep(200);
    }
}
