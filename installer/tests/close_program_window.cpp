// Waits for the main window of korvala-desk ("Korvala 2007") to show, asks it to close the way
// the user does from its system menu and waits for the program that owns it to end, as the
// installers do: a program started through a shortcut outlives the process that started it, so
// only the program's own end says that its files are free again.
// Usage: close_program_window seconds. Exit code 0 once the program has ended, 1 when no such
// window appeared in time, 3 when the program was still running when the time was up, 2 on wrong
// arguments.
#include "running_program.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: close_program_window seconds\n");
        return 2;
    }
    const DWORD waitMs = static_cast<DWORD>(std::atoi(argv[1])) * 1000;
    const DWORD start = ::GetTickCount();
    for (;;) {
        HWND window = FindProgramWindow();
        if (window && ::IsWindowVisible(window)) {
            std::printf("closing the program\n");
            DWORD processId = 0;
            ::GetWindowThreadProcessId(window, &processId);
            ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            if (WaitForProgramEnd(processId, waitMs))
                return 0;
            std::printf("the program still runs\n");
            return 3;
        }
        if (::GetTickCount() - start >= waitMs) {
            std::printf("no program window\n");
            return 1;
        }
        ::Sleep(200);
    }
}
