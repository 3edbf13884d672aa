#include "skin_progress.h"

#include "high_contrast.h"
#include "memory_dc.h"
#include "progress_fill.h"
#include "win_app.h"

#include <string>
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
    const int shown = Percent();
    m_position = ClampProgressPosition(position, m_lower, m_upper);
    Send(PBM_SETPOS, static_cast<WPARAM>(m_position));
    if (m_hWnd && Percent() != shown) {
        NotifyAccessible(EVENT_OBJECT_VALUECHANGE);
    }
}

int CSkinProgress::Percent() const
{
    return ProgressPercent(m_position, m_lower, m_range);
}

bool CSkinProgress::GetAccessibleFacts(AccessibleFacts& facts) const
{
    CProgressCtrl::GetAccessibleFacts(facts);
    facts.role = ROLE_SYSTEM_PROGRESSBAR;
    facts.value = std::to_string(Percent()) + "%";
    return true;
}

bool CSkinProgress::PaintsItself() const
{
    return m_fill || HighContrastOn();
}

void CSkinProgress::DrawOverlay(HDC, int, const RECT&, const RECT&, BOOL) {}

void CSkinProgress::PaintClient(HDC dc)
{
    const bool plain = HighContrastOn();
    RECT client = ClientRect();
    RECT inner = client;
    BOOL vertical = (GetStyle() & PBS_VERTICAL) != 0;
    if (plain) {
        // High contrast: the system's colours, outlined so that an empty bar shows too.
        ::FrameRect(dc, &inner, ::GetSysColorBrush(COLOR_BTNTEXT));
        ::InflateRect(&inner, -1, -1);
        ::FillRect(dc, &inner, ::GetSysColorBrush(COLOR_BTNFACE));
    } else if (GetStyle() & WS_BORDER) {
        ::FrameRect(dc, &inner, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::InflateRect(&inner, -1, -1);
    }
    ::InflateRect(&inner, -1, -1);
    int percent = Percent();
    RECT filled = inner;
    if (vertical) {
        filled.top = FilledTop(inner.top, inner.bottom, percent);
    } else {
        filled.right = FilledRight(inner.left, inner.right, percent);
    }
    int filledWidth = filled.right - filled.left;
    int filledHeight = filled.bottom - filled.top;
    if (plain) {
        if (filledWidth > 0 && filledHeight > 0) {
            ::FillRect(dc, &filled, ::GetSysColorBrush(COLOR_HIGHLIGHT));
        }
    } else if (filledWidth > 0 && filledHeight > 0) {
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
