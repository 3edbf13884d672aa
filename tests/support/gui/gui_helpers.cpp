#include "gui_helpers.h"

#include "memory_dc.h"

#include <commctrl.h>

void PumpMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    while (!done() && ::GetTickCount() - start < timeoutMs) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        PumpMessages();
    }
    return done();
}

void PumpFor(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

namespace {

// What `window` paints into its client area, over magenta, in a canvas one pixel larger.
MemoryDC PaintedCanvas(HWND window, RECT& client)
{
    ::GetClientRect(window, &client);
    MemoryDC memory(nullptr, client.right + 1, client.bottom + 1);
    UniqueGdiObject<HBRUSH> magenta(::CreateSolidBrush(kUnpainted));
    RECT all = {0, 0, client.right + 1, client.bottom + 1};
    ::FillRect(memory.Get(), &all, magenta.Get());
    ::SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()), PRF_CLIENT);
    return memory;
}

}  // namespace

COLORREF PaintedPixel(HWND window, int x, int y)
{
    RECT client;
    return ::GetPixel(PaintedCanvas(window, client).Get(), x, y);
}

std::vector<COLORREF> PaintedPixels(HWND window)
{
    RECT client;
    const MemoryDC canvas = PaintedCanvas(window, client);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) {
            pixels.push_back(::GetPixel(canvas.Get(), x, y));
        }
    }
    return pixels;
}

BOOL CheckDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    Post(WM_APP + 50);
    return TRUE;
}

LRESULT CheckDialog::OnRun(UINT, WPARAM, LPARAM, BOOL&)
{
    if (body) {
        body();
    }
    EndDialog(IDOK);
    return 0;
}

LRESULT CheckDialog::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled)
{
    if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) > 1000) {
        ++clicks;
        return 0;
    }
    handled = FALSE;
    return 0;
}

std::string TooltipText(HWND link)
{
    HWND tooltip = nullptr;
    while ((tooltip = ::FindWindowExA(nullptr, tooltip, TOOLTIPS_CLASSA, nullptr)) != nullptr) {
        wchar_t text[1024] = {};
        TOOLINFOW tool = {};
        tool.cbSize = sizeof(tool);
        tool.hwnd = link;
        tool.uId = 1;
        if (::SendMessageW(tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool))) {
            tool.lpszText = text;
            ::SendMessageW(tooltip, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
            char ansi[1024] = {};
            ::WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof(ansi), nullptr, nullptr);
            return ansi;
        }
    }
    return "(no tooltip)";
}
