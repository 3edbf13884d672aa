// The application object: one per program, run by WinMain.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CWinApp {
public:
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Runs the program; the program ends when it returns FALSE (or after ExitInstance).
    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    const char* m_pszAppName = nullptr;
};

CWinApp* GetApp();
// The module whose resources the program's dialogs, bitmaps and pictures come from.
HINSTANCE ResourceInstance();
// The application's name, or the program file's base name when there is no application object.
std::string AppName();
