#include "running_program.h"

#include "unique_handle.h"

namespace {

const char kProgramWindowClass[] = "#32770";
const char kProgramCaption[] = "Korvala 2007";
const DWORD kPollMs = 200;

}  // namespace

HWND FindProgramWindow()
{
    return ::FindWindowA(kProgramWindowClass, kProgramCaption);
}

bool CloseAndWaitForOwner(HWND window, DWORD waitMs)
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    const UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (process)
        return ::WaitForSingleObject(process.Get(), waitMs) == WAIT_OBJECT_0;
    // Without a handle on the process (another user's), its window going away has to do.
    const DWORD start = ::GetTickCount();
    while (::IsWindow(window)) {
        if (::GetTickCount() - start >= waitMs)
            return false;
        ::Sleep(kPollMs);
    }
    return true;
}

bool CloseRunningPrograms(DWORD waitMs)
{
    const DWORD start = ::GetTickCount();
    for (HWND window = FindProgramWindow(); window; window = FindProgramWindow()) {
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= waitMs || !CloseAndWaitForOwner(window, waitMs - spent))
            return false;
    }
    return true;
}
