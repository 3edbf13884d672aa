// Helpers of the control tests: running checks inside a modal dialog and reading back pixels.
#pragma once

#include "dialog.h"

#include <functional>
#include <string>
#include <vector>

// Processes the messages waiting for this thread.
void PumpMessages();

// Pumps messages until `done` returns true or `timeoutMs` passes; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Pumps messages for `milliseconds`.
void PumpFor(DWORD milliseconds);

// The text of tool 1 of the tooltip that serves `link` (tooltips belong to the top window), or
// "(no tooltip)". Read in UTF-16: the 8-bit query gives at most 80 characters under Wine.
std::string TooltipText(HWND link);

// What `window` paints into its client area (WM_PRINTCLIENT) over a magenta background.
const COLORREF kUnpainted = RGB(255, 0, 255);
COLORREF PaintedPixel(HWND window, int x, int y);
// All of it, row by row.
std::vector<COLORREF> PaintedPixels(HWND window);

// Runs `body` once the dialog has initialised, from inside its modal loop, then ends it.
class CheckDialog : public CDialog {
public:
    using CDialog::CDialog;
    std::function<void()> body;
    int clicks = 0;

    BOOL OnInitDialog() override;

    BEGIN_MSG_MAP(CheckDialog, CDialog)
    MESSAGE_HANDLER(WM_APP + 50, OnRun)
    MESSAGE_HANDLER(WM_COMMAND, OnCommand)
    END_MSG_MAP()

private:
    LRESULT OnRun(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
};
