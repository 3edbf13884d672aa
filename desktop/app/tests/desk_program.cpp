#include "desk_program.h"

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

}  // namespace

RECT WindowRect(HWND window)
{
    RECT rect = {};
    ::GetWindowRect(window, &rect);
    return rect;
}

DeskProgram::DeskProgram(const char* exeName)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::string command = "\"" + ProgramPath(exeName) + "\"";
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_)) {
        return;
    }
    ::WaitForInputIdle(process_.hProcess, 20000);
    for (int i = 0; i < 400 && !window; ++i) {
        HWND found = ::FindWindowA("#32770", "Korvala 2007");
        if (found && ::IsWindowVisible(found) && WindowRect(found).right - WindowRect(found).left == 800) {
            window = found;
        } else {
            ::Sleep(50);
        }
    }
}

DeskProgram::~DeskProgram()
{
    if (process_.hProcess) {
        if (Running()) {
            ::TerminateProcess(process_.hProcess, 99);
        }
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
