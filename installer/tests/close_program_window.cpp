// Waits for a top-level window with the given caption, asks it to close the way the user does
// from its system menu (WM_SYSCOMMAND SC_CLOSE) and waits for the program that owns it to end:
// a program started through a shortcut outlives the process that started it, so only the
// program's own end says that its files are free again.
// Usage: close_program_window "caption" seconds. Exit code 0 once the program has ended, 1 when
// no such window appeared in time, 3 when the program was still running when the time was up,
// 2 on wrong arguments.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Waits for the process that owns the window to end, for at most the given time.
bool OwnerEnds(HWND window, DWORD waitMs)
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process)
        return !::IsWindow(window);
    const bool ended = ::WaitForSingleObject(process, waitMs) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

}  // namespace

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
            if (OwnerEnds(window, waitMs))
                return 0;
            std::printf("\"%s\" still runs\n", argv[1]);
            return 3;
        }
        if (::GetTickCount() - start >= waitMs) {
            std::printf("no window \"%s\"\n", argv[1]);
            return 1;
        }
        ::Sleep(200);
    }
}
