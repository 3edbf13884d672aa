// A control that paints its client area itself while a condition of its own holds (a picture it
// has made ready, high contrast) and leaves painting to its base class otherwise, in WM_PAINT and
// WM_PRINTCLIENT alike, so that printing and snapshots follow the same rules as the screen.
// T provides `bool PaintsItself() const` and `void PaintClient(HDC)`.
#pragma once

#include "window_dc.h"
#include "wnd.h"

template <class T, class Base>
class CSelfPainted : public Base {
public:
    BEGIN_MSG_MAP(CSelfPainted, Base)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_PRINTCLIENT, OnPrintClient)
    END_MSG_MAP()

private:
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL& handled)
    {
        T& self = static_cast<T&>(*this);
        if (!self.PaintsItself()) {
            handled = FALSE;
            return 0;
        }
        PaintDC dc(this->m_hWnd);
        if (dc)
            self.PaintClient(dc.Get());
        return 0;
    }

    LRESULT OnPrintClient(UINT, WPARAM wParam, LPARAM, BOOL& handled)
    {
        T& self = static_cast<T&>(*this);
        if (!self.PaintsItself()) {
            handled = FALSE;
            return 0;
        }
        self.PaintClient(reinterpret_cast<HDC>(wParam));
        return 0;
    }
};
