#include "skin_progress.h"

#include "progress_fill.h"
#include "win_app.h"

CSkinProgress::~CSkinProgress()
{
    if (m_fill) {
        ::DeleteObject(m_fill);
    }
}

BOOL CSkinProgress::SetBitmap(HBITMAP bitmap, BOOL redraw)
{
    if (m_fill) {
        ::DeleteObject(m_fill);
        m_fill = nullptr;
    }
    m_fillWidth = m_fillHeight = 0;
    BOOL taken = FALSE;
    if (bitmap) {
        BITMAP info = {};
        if (::GetObjectA(bitmap, sizeof(info), &info) && info.bmWidth > 0 && info.bmHeight > 0) {
            m_fill = bitmap;
            m_fillWidth = info.bmWidth;
            m_fillHeight = info.bmHeight;
            taken = TRUE;
        } else {
            ::DeleteObject(bitmap);
        }
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
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    if (dc) {
        Paint(dc);
    }
    ::EndPaint(m_hWnd, &paint);
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
    HDC canvas = ::CreateCompatibleDC(dc);
    HDC tile = ::CreateCompatibleDC(dc);
    HBITMAP canvasBitmap = ::CreateCompatibleBitmap(dc, inner.right - inner.left, inner.bottom - inner.top);
    if (canvas && tile && canvasBitmap && filledWidth > 0 && filledHeight > 0) {
        HGDIOBJ previousCanvas = ::SelectObject(canvas, canvasBitmap);
        HGDIOBJ previousTile = ::SelectObject(tile, m_fill);
        for (int y = 0; y < filledHeight; y += m_fillHeight) {
            for (int x = 0; x < filledWidth; x += m_fillWidth) {
                ::BitBlt(canvas, x, y, m_fillWidth, m_fillHeight, tile, 0, 0, SRCCOPY);
            }
        }
        ::BitBlt(dc, filled.left, filled.top, filledWidth, filledHeight, canvas, 0, 0, SRCCOPY);
        ::SelectObject(tile, previousTile);
        ::SelectObject(canvas, previousCanvas);
    }
    if (canvasBitmap)
        ::DeleteObject(canvasBitmap);
    if (tile)
        ::DeleteDC(tile);
    if (canvas)
        ::DeleteDC(canvas);
    DrawOverlay(dc, percent, client, filled, vertical);
}
