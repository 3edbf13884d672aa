#include "skin_progress.h"

#include "memory_dc.h"
#include "progress_fill.h"
#include "win_app.h"
#include "window_dc.h"

#include <utility>

BOOL CSkinProgress::SetBitmap(HBITMAP bitmap, BOOL redraw)
{
    m_fill.Reset();
    m_fillWidth = m_fillHeight = 0;
    UniqueGdiObject<HBITMAP> given(bitmap);
    BITMAP info = {};
    BOOL taken = FALSE;
    if (given && ::GetObjectA(bitmap, sizeof(info), &info) && info.bmWidth > 0 && info.bmHeight > 0) {
        m_fill = std::move(given);
        m_fillWidth = info.bmWidth;
        m_fillHeight = info.bmHeight;
        taken = TRUE;
    }
    if (redraw && m_hWnd) {
        Invalidate();
    }
    return taken;
}

BOOL CSkinProgress::SetBitmap(UINT resourceId, BOOL redraw)
{
    HANDLE image = ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(resourceId), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    return SetBitmap(static_cast<HBITMAP>(image), redraw);
}

void CSkinProgress::SetRange(long lower, long upper)
{
    m_lower = lower;
    m_upper = upper;
    m_range = ProgressRange(lower, upper);
    Send(PBM_SETRANGE, 0, MAKELPARAM(lower, upper));
}

void CSkinProgress::SetPos(long position)
{
    m_position = ClampProgressPosition(position, m_lower, m_upper);
    Send(PBM_SETPOS, static_cast<WPARAM>(m_position));
}

void CSkinProgress::DrawOverlay(HDC, int, const RECT&, const RECT&, BOOL) {}

LRESULT CSkinProgress::OnPaint(UINT, WPARAM, LPARAM, BOOL& handled)
{
    if (!m_fill) {
        handled = FALSE;
        return 0;
    }
    PaintDC dc(m_hWnd);
    if (dc) {
        Paint(dc.Get());
    }
    return 0;
}

// Painting into a given context (printing, snapshots) follows the same rules.
LRESULT CSkinProgress::OnPrintClient(UINT, WPARAM wParam, LPARAM, BOOL& handled)
{
    if (!m_fill) {
        handled = FALSE;
        return 0;
    }
    Paint(reinterpret_cast<HDC>(wParam));
    return 0;
}

void CSkinProgress::Paint(HDC dc)
{
    RECT client = ClientRect();
    RECT inner = client;
    BOOL vertical = (GetStyle() & PBS_VERTICAL) != 0;
    if (GetStyle() & WS_BORDER) {
        ::FrameRect(dc, &inner, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::InflateRect(&inner, -1, -1);
    }
    ::InflateRect(&inner, -1, -1);
    int percent = ProgressPercent(m_position, m_lower, m_range);
    RECT filled = inner;
    if (vertical) {
        filled.top = FilledTop(inner.top, inner.bottom, percent);
    } else {
        filled.right = FilledRight(inner.left, inner.right, percent);
    }
    int filledWidth = filled.right - filled.left;
    int filledHeight = filled.bottom - filled.top;
    if (filledWidth > 0 && filledHeight > 0) {
        MemoryDC canvas(dc, inner.right - inner.left, inner.bottom - inner.top);
        MemoryDC tile(dc);
        ScopedSelection fill(tile.Get(), m_fill.Get());
        if (canvas && fill) {
            for (int y = 0; y < filledHeight; y += m_fillHeight) {
                for (int x = 0; x < filledWidth; x += m_fillWidth) {
                    ::BitBlt(canvas.Get(), x, y, m_fillWidth, m_fillHeight, tile.Get(), 0, 0, SRCCOPY);
                }
            }
            ::BitBlt(dc, filled.left, filled.top, filledWidth, filledHeight, canvas.Get(), 0, 0, SRCCOPY);
        }
    }
    DrawOverlay(dc, percent, client, filled, vertical);
}
