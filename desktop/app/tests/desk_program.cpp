#include "desk_program.h"

RECT WindowRect(HWND window)
{
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    return rect;
}

namespace {

std::string ProgramPath(const char* exeName)
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.erase(folder.find_last_of('\\'));      // tests
    folder.erase(folder.find_last_of('\\') + 1);  // app
    return folder + exeName;
}

// The process's visible "Korvala 2007" window of the given width, or null.
HWND FindBandWindow(DWORD processId, int width)
{
    HWND found = nullptr;
    while ((found = ::FindWindowExA(nullptr, found, "#32770", "Korvala 2007")) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(found, &owner);
        const RECT rect = WindowRect(found);
        if (owner == processId && ::IsWindowVisible(found) && rect.right - rect.left == width) {
            return found;
        }
    }
    return nullptr;
}

}  // namespace

DeskProgram::DeskProgram(const char* exeName, int bandWidth)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::string command = "\"" + ProgramPath(exeName) + "\"";
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_)) {
        return;
    }
    ::WaitForInputIdle(process_.hProcess, 20000);
    for (int i = 0; i < 400 && !window; ++i) {
        window = FindBandWindow(process_.dwProcessId, bandWidth);
        if (!window) {
            ::Sleep(50);
        }
    }
}

void DeskProgram::Kill()
{
    if (Running()) {
        ::TerminateProcess(process_.hProcess, 99);
        ::WaitForSingleObject(process_.hProcess, 20000);
    }
}

DeskProgram::~DeskProgram()
{
    if (process_.hProcess) {
        Kill();
        ::CloseHandle(process_.hProcess);
        ::CloseHandle(process_.hThread);
    }
}

long DeskProgram::WaitForEnd()
{
    DWORD code = 0;
    if (::WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process_.hProcess, &code)) {
        return -1;
    }
    return static_cast<long>(code);
}

bool DeskProgram::Running() const
{
    return ::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}
