#include "desktop_app.h"

#include "main_dialog.h"
#include "resource_ids.h"

#include <winsock.h>

namespace {

// Windows Sockets 1.1, which the program's HTTP use needs; anything else counts as a failure.
bool StartWindowsSockets()
{
    WSADATA data;
    if (::WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        return false;
    }
    if (data.wVersion != MAKEWORD(1, 1)) {
        ::WSACleanup();
        return false;
    }
    return true;
}

// Windows Vista and later start the program again after an installation closed it through the
// Restart Manager; not after a crash or a hang, from which it has nothing to recover. Resolved at
// run time: Windows XP lacks the function.
void RegisterForRestart()
{
    using RegisterFunction = HRESULT(WINAPI*)(PCWSTR, DWORD);
    const auto registerRestart = reinterpret_cast<RegisterFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "RegisterApplicationRestart")));
    if (registerRestart) {
        registerRestart(L"", RESTART_NO_CRASH | RESTART_NO_HANG);
    }
}

}  // namespace

BOOL CDesktopApp::InitInstance()
{
    ::InitCommonControls();
    CWinApp::InitInstance();
    if (!StartWindowsSockets()) {
        char message[256] = {};
        ::LoadStringA(m_hInstance, IDS_WINSOCK_FAILED, message, sizeof(message));
        ::MessageBoxA(nullptr, message, m_pszAppName, MB_OK);
        return FALSE;
    }
    RegisterForRestart();
    const HRESULT ole = ::OleInitialize(nullptr);
    {
        CMainDialog dialog;
        m_pMainWnd = &dialog;
        dialog.DoModal();
        m_pMainWnd = nullptr;
    }
    if (SUCCEEDED(ole)) {
        ::OleUninitialize();
    }
    ::WSACleanup();
    return FALSE;
}

CDesktopApp theApp;
