#pragma once
// A build of korvala-desk (from the folder above the test's own) started as a child process,
// with its main window found once it shows at its band's width; the process is ended when this
// object goes.
#include <windows.h>

#include <string>

RECT WindowRect(HWND window);

class DeskProgram {
public:
    // exeName: korvala-desk.exe or another build of the program in the same folder; bandWidth:
    // the window's width once it has been sized to its band (800 pixels at 96 DPI).
    explicit DeskProgram(const char* exeName = "korvala-desk.exe", int bandWidth = 800);
    ~DeskProgram();
    DeskProgram(const DeskProgram&) = delete;
    DeskProgram& operator=(const DeskProgram&) = delete;

    // The program's exit code once it has ended within 20 s, else -1.
    long WaitForEnd();
    bool Running() const;
    DWORD ThreadId() const { return process_.dwThreadId; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    // Ends the process at once, as the system does at the end of a session.
    void Kill();

    HWND window = nullptr;

private:
    PROCESS_INFORMATION process_ = {};
};
