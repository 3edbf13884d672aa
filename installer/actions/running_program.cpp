#include "running_program.h"

#include "close_request.h"
#include "unique_handle.h"

#include <tlhelp32.h>

namespace {

const char kProgramFile[] = "korvala-desk.exe";
const char kProgramWindowClass[] = "#32770";
const char kProgramCaption[] = "Korvala 2007";
const DWORD kPollMs = 200;

bool ProcessListed(DWORD processId)
{
    for (DWORD running : RunningProgramIds()) {
        if (running == processId)
            return true;
    }
    return false;
}

// The way the user closes it: the system menu's Close (a bare WM_CLOSE is ignored).
BOOL CALLBACK CloseProgramWindowOf(HWND window, LPARAM processId)
{
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    char windowClass[sizeof(kProgramWindowClass) + 1] = {};
    char caption[sizeof(kProgramCaption) + 1] = {};
    ::GetClassNameA(window, windowClass, sizeof(windowClass));
    ::GetWindowTextA(window, caption, sizeof(caption));
    if (owner == static_cast<DWORD>(processId) && ::lstrcmpA(windowClass, kProgramWindowClass) == 0 &&
        ::lstrcmpA(caption, kProgramCaption) == 0)
        ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return TRUE;
}

}  // namespace

HWND FindProgramWindow()
{
    return ::FindWindowA(kProgramWindowClass, kProgramCaption);
}

std::vector<DWORD> RunningProgramIds()
{
    std::vector<DWORD> ids;
    const UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32First(snapshot.Get(), &entry); more; more = ::Process32Next(snapshot.Get(), &entry)) {
        if (::lstrcmpiA(entry.szExeFile, kProgramFile) == 0)
            ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

void AskProgramToClose(DWORD processId)
{
    const UniqueKernelHandle request(::OpenEventA(EVENT_MODIFY_STATE, FALSE, CloseRequestName(processId).c_str()));
    if (request)
        ::SetEvent(request.Get());
    else
        ::EnumWindows(CloseProgramWindowOf, static_cast<LPARAM>(processId));
}

bool WaitForProgramEnd(DWORD processId, DWORD waitMs)
{
    const UniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (process)
        return ::WaitForSingleObject(process.Get(), waitMs) == WAIT_OBJECT_0;
    const DWORD start = ::GetTickCount();
    while (ProcessListed(processId)) {
        if (::GetTickCount() - start >= waitMs)
            return false;
        ::Sleep(kPollMs);
    }
    return true;
}

bool CloseRunningPrograms(DWORD waitMs)
{
    const std::vector<DWORD> running = RunningProgramIds();
    for (DWORD processId : running)
        AskProgramToClose(processId);
    const DWORD start = ::GetTickCount();
    for (DWORD processId : running) {
        const DWORD spent = ::GetTickCount() - start;
        if (!WaitForProgramEnd(processId, spent < waitMs ? waitMs - spent : 0))
            return false;
    }
    return true;
}
