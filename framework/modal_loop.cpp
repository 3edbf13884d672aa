#include "modal_loop.h"

#include "win_app.h"
#include "wnd.h"

bool RunModalLoop(HWND dialog, const std::function<bool()>& running, const std::function<BOOL(MSG*)>& isDialogMessage)
{
    MSG msg;
    while (running()) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            if (got == 0) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
            }
            return false;
        }
        if (CWnd::WalkPreTranslateTree(dialog, &msg) || isDialogMessage(&msg)) {
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return true;
}

HWND ModalOwner(HWND parent)
{
    HWND owner = parent;
    if (!owner) {
        const CWinApp* app = GetApp();
        owner = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
    }
    while (owner && (::GetWindowLongA(owner, GWL_STYLE) & WS_CHILD)) {
        owner = ::GetParent(owner);
    }
    return owner && ::IsWindow(owner) ? owner : nullptr;
}

DisabledOwner::DisabledOwner(HWND owner) : m_owner(owner)
{
    if (owner && ::IsWindowEnabled(owner)) {
        m_disabled = true;
        ::EnableWindow(owner, FALSE);
    }
}

void DisabledOwner::Release(HWND modal)
{
    if (m_disabled) {
        ::EnableWindow(m_owner, TRUE);
        m_disabled = false;
    }
    if (m_owner && modal && ::GetActiveWindow() == modal) {
        ::SetActiveWindow(m_owner);
    }
}
