#include "modal_loop.h"

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
