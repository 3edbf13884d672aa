#include "skin_button.h"

#include "hand_cursor.h"
#include "high_contrast.h"
#include "memory_dc.h"
#include "region_runs.h"
#include "stretch_image.h"
#include "window_dc.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The region is built from blocks of this many rectangles.
const size_t kRegionBlock = 40;

HRGN RegionFromRuns(const std::vector<RunRect>& runs)
{
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    for (size_t first = 0; region && first < runs.size(); first += kRegionBlock) {
        size_t count = std::min(kRegionBlock, runs.size() - first);
        std::vector<BYTE> buffer(sizeof(RGNDATAHEADER) + count * sizeof(RECT));
        auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
        data->rdh.dwSize = sizeof(RGNDATAHEADER);
        data->rdh.iType = RDH_RECTANGLES;
        data->rdh.nCount = static_cast<DWORD>(count);
        data->rdh.nRgnSize = data->rdh.nCount * DWORD{sizeof(RECT)};
        RECT bounds = {runs[first].left, runs[first].top, runs[first].right, runs[first].bottom};
        auto* rects = reinterpret_cast<RECT*>(data->Buffer);
        for (size_t i = 0; i < count; ++i) {
            const RunRect& run = runs[first + i];
            rects[i] = RECT{run.left, run.top, run.right, run.bottom};
            ::UnionRect(&bounds, &bounds, &rects[i]);
        }
        data->rdh.rcBound = bounds;
        UniqueGdiObject<HRGN> block(::ExtCreateRegion(nullptr, static_cast<DWORD>(buffer.size()), data));
        if (block) {
            ::CombineRgn(region, region, block.Get(), RGN_OR);
        }
    }
    return region;
}

void FillFace(HDC dc, const RECT& rect)
{
    ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
}

// In high contrast the focus rectangle lies this far inside the button: within its outline,
// around its words.
const int kPlainFocusInset = 2;

// A window button's glyph in `colour`, centred in `rect`, its strokes as thick as the button's
// scale asks (one pixel for every 12 of its height): a cross, a bar at the bottom, a window, or
// two windows one behind the other.
void DrawGlyph(HDC dc, const RECT& rect, CSkinButton::Glyph glyph, COLORREF colour)
{
    const int height = rect.bottom - rect.top;
    const int stroke = std::max(1, height / 12);
    const int side = height / 2;
    const int left = (rect.left + rect.right - side) / 2;
    const int top = (rect.top + rect.bottom - side) / 2;
    UniqueGdiObject<HBRUSH> brush(::CreateSolidBrush(colour));
    // A window's outline with its thicker title bar.
    const auto window = [&](int x, int y, int size) {
        const RECT bar = {x, y, x + size, y + 2 * stroke};
        const RECT outline = {x, y, x + size, y + size};
        ::FillRect(dc, &bar, brush.Get());
        ::FrameRect(dc, &outline, brush.Get());
    };
    switch (glyph) {
    case CSkinButton::Glyph::Close: {
        UniqueGdiObject<HPEN> pen(::CreatePen(PS_SOLID, stroke, colour));
        ScopedSelection selected(dc, pen.Get());
        ::MoveToEx(dc, left, top, nullptr);
        ::LineTo(dc, left + side, top + side);
        ::MoveToEx(dc, left + side - 1, top, nullptr);
        ::LineTo(dc, left - 1, top + side);
        break;
    }
    case CSkinButton::Glyph::Minimise: {
        const RECT bar = {left, top + side - 2 * stroke, left + side, top + side};
        ::FillRect(dc, &bar, brush.Get());
        break;
    }
    case CSkinButton::Glyph::Maximise:
        window(left, top, side);
        break;
    case CSkinButton::Glyph::Restore:
        window(left + side / 4, top, side * 3 / 4);
        window(left, top + side / 4, side * 3 / 4);
        break;
    case CSkinButton::Glyph::None:
        break;
    }
}

// `base` (null: the system font) underlined; null when it can't be made.
HFONT UnderlinedFont(HFONT base)
{
    LOGFONTA description = {};
    if (!::GetObjectA(base ? base : ::GetStockObject(SYSTEM_FONT), sizeof(description), &description)) {
        return nullptr;
    }
    description.lfUnderline = TRUE;
    return ::CreateFontIndirectA(&description);
}

}  // namespace

CSkinButton::CSkinButton() : m_textColour(::GetSysColor(COLOR_BTNTEXT)) {}

void CSkinButton::PreSubclassWindow()
{
    DWORD style = GetStyle();
    if ((style & 3) == 3) {
        m_kind = CheckBox;
    } else if ((style & 9) == 9) {
        m_kind = RadioButton;
    } else {
        m_kind = PushButton;
    }
    ModifyStyle(0, BS_OWNERDRAW);
}

void CSkinButton::SetBitmaps(UINT normal, UINT pressed, UINT hover, UINT disabled, UINT focus, UINT mask,
                             short drawMode, int drawEdge, short focusInset)
{
    const BitmapSet set = {normal, pressed, hover, disabled, focus, mask, drawMode, drawEdge, focusInset};
    RunOnOwnThread([this, &set] { ApplyBitmaps(set); });
}

void CSkinButton::SetWords(const std::string& words, Glyph glyph)
{
    RunOnOwnThread([this, &words, glyph] {
        m_glyph = glyph;
        SetAccessibleName(words);
    });
}

bool CSkinButton::GetAccessibleFacts(AccessibleFacts& facts) const
{
    if (!CButton::GetAccessibleFacts(facts)) {
        return false;
    }
    facts.states = ::IsWindowEnabled(m_hWnd) ? STATE_SYSTEM_FOCUSABLE : 0;
    if (m_kind == CheckBox || m_kind == RadioButton) {
        facts.role = m_kind == CheckBox ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_RADIOBUTTON;
        facts.states |= m_checked ? STATE_SYSTEM_CHECKED : 0;
    } else if (IsLinkButton(m_hWnd)) {
        facts.role = ROLE_SYSTEM_LINK;
        facts.states |= STATE_SYSTEM_LINKED;
    } else {
        facts.role = ROLE_SYSTEM_PUSHBUTTON;
    }
    return true;
}

void CSkinButton::DeleteBitmaps()
{
    for (CBitmap* bitmap : {&m_normal, &m_pressedImage, &m_disabled, &m_mask, &m_hoverImage, &m_focus}) {
        bitmap->DeleteObject();
    }
}

void CSkinButton::ApplyBitmaps(const BitmapSet& set)
{
    DeleteBitmaps();
    const std::pair<UINT, CBitmap*> images[] = {{set.normal, &m_normal},
                                                {set.pressed, &m_pressedImage},
                                                {set.hover, &m_hoverImage},
                                                {set.focus, &m_focus},
                                                {set.disabled ? set.disabled : set.normal, &m_disabled}};
    for (const auto& image : images) {
        if (image.first) {
            image.second->LoadBitmapResource(image.first);
        }
    }
    m_drawMode = static_cast<short>(set.drawMode >= 2 ? 2 : (set.drawMode < 0 ? 0 : set.drawMode));
    m_drawEdge = set.drawEdge;
    m_focusInset = static_cast<short>(set.focusInset < 0 ? 0 : set.focusInset);
    if (!set.mask) {
        return;
    }
    m_mask.LoadBitmapResource(set.mask);
    m_region.Attach(BuildRegionFromBitmap(m_mask, RGB(255, 255, 255)));
    if (m_region && m_hWnd) {
        // The window takes ownership of the region it is given: hand it a copy and keep ours.
        UniqueGdiObject<HRGN> windowRegion(::CreateRectRgn(0, 0, 0, 0));
        ::CombineRgn(windowRegion.Get(), m_region.Get(), nullptr, RGN_COPY);
        if (::SetWindowRgn(m_hWnd, windowRegion.Get(), TRUE)) {
            windowRegion.Detach();
        }
    }
    if (m_drawMode == 0 && m_hWnd) {
        SIZE size = m_mask.Size();
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    }
}

HRGN CSkinButton::BuildRegionFromBitmap(HBITMAP bitmap, COLORREF key) const
{
    BITMAP info = {};
    if (!bitmap || !::GetObjectA(bitmap, sizeof(info), &info)) {
        return nullptr;
    }
    MemoryDC memory(WindowDC(m_hWnd).Get());
    ScopedSelection selected(memory.Get(), bitmap);
    if (!selected) {
        return nullptr;
    }
    HDC pixels = memory.Get();
    std::vector<RunRect> runs = NonKeyRuns(
        info.bmWidth, info.bmHeight, [pixels](int x, int y) { return static_cast<uint32_t>(::GetPixel(pixels, x, y)); },
        key);
    return RegionFromRuns(runs);
}

void CSkinButton::DrawBitmap(HDC dc, HBITMAP bitmap, const RECT& rect, int drawMode) const
{
    BITMAP info = {};
    if (!bitmap || !::GetObjectA(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0) {
        return;
    }
    MemoryDC imageDC(dc);
    ScopedSelection selected(imageDC.Get(), bitmap);
    HDC image = imageDC.Get();
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (drawMode == 2) {
        for (int y = rect.top; y < rect.bottom; y += info.bmHeight) {
            for (int x = rect.left; x < rect.right; x += info.bmWidth) {
                ::BitBlt(dc, x, y, std::min<int>(info.bmWidth, rect.right - x),
                         std::min<int>(info.bmHeight, rect.bottom - y), image, 0, 0, SRCCOPY);
            }
        }
    } else if (!m_mask.Handle()) {
        if (drawMode == 1) {
            DrawImage(dc, rect.left, rect.top, width, height, image, info.bmWidth, info.bmHeight);
        } else {
            ::BitBlt(dc, rect.left, rect.top, width, height, image, 0, 0, SRCCOPY);
        }
    } else {
        // Where the mask is white the background stays, where it is black the image shows.
        MemoryDC canvasDC(dc, width, height);
        MemoryDC maskDC(dc);
        ScopedSelection maskSelected(maskDC.Get(), m_mask.Handle());
        if (canvasDC && maskSelected) {
            HDC canvas = canvasDC.Get();
            HDC mask = maskDC.Get();
            SIZE maskSize = m_mask.Size();
            ::BitBlt(canvas, 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY);
            auto combine = [&](HDC source, SIZE sourceSize, DWORD operation) {
                if (drawMode == 1) {
                    ::StretchBlt(canvas, 0, 0, width, height, source, 0, 0, sourceSize.cx, sourceSize.cy, operation);
                } else {
                    ::BitBlt(canvas, 0, 0, width, height, source, 0, 0, operation);
                }
            };
            SIZE imageSize = {info.bmWidth, info.bmHeight};
            combine(image, imageSize, SRCINVERT);
            combine(mask, maskSize, SRCAND);
            combine(image, imageSize, SRCINVERT);
            ::BitBlt(dc, rect.left, rect.top, width, height, canvas, 0, 0, SRCCOPY);
        }
    }
}

bool CSkinButton::PointerOverButton() const
{
    POINT point;
    return ::GetCursorPos(&point) && ::WindowFromPoint(point) == m_hWnd;
}

void CSkinButton::DrawItem(DRAWITEMSTRUCT* item)
{
    if (m_pressed && ::GetCapture() == m_hWnd) {
        bool over = PointerOverButton();
        bool pushed = (Send(BM_GETSTATE) & BST_PUSHED) != 0;
        if (over && !pushed) {
            Send(BM_SETSTATE, 1);
            return;
        }
        if (!over && pushed) {
            Send(BM_SETSTATE, 0);
            return;
        }
    }
    if (HighContrastOn()) {
        DrawPlain(*item);
        return;
    }
    HDC dc = item->hDC;
    const RECT& rect = item->rcItem;
    RECT textRect = rect;
    textRect.left += m_focusInset + 2;
    textRect.right -= m_focusInset + 2;
    ::SetBkMode(dc, TRANSPARENT);
    std::string caption = GetText();
    const UINT textFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

    if (item->itemState & ODS_DISABLED) {
        if (m_disabled.Handle()) {
            DrawBitmap(dc, m_disabled, rect, m_drawMode);
        } else {
            FillFace(dc, rect);
        }
        if (m_drawEdge) {
            RECT edge = rect;
            ::DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
        }
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawTextA(dc, caption.c_str(), -1, &textRect, textFormat);
        ::OffsetRect(&textRect, -1, -1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
        ::DrawTextA(dc, caption.c_str(), -1, &textRect, textFormat);
        return;
    }

    UINT edgeStyle = EDGE_RAISED;
    if ((item->itemState & ODS_SELECTED) || m_checked) {
        if (m_pressedImage.Handle()) {
            DrawBitmap(dc, m_pressedImage, rect, m_drawMode);
        } else {
            FillFace(dc, rect);
        }
        ::OffsetRect(&textRect, 1, 1);
        edgeStyle = EDGE_SUNKEN;
    } else if (m_normal.Handle()) {
        HBITMAP image = m_normal;
        if (m_hover && m_hoverImage.Handle()) {
            image = m_hoverImage;
        } else if ((item->itemState & ODS_FOCUS) && m_focus.Handle()) {
            image = m_focus;
        }
        DrawBitmap(dc, image, rect, m_drawMode);
    } else {
        FillFace(dc, rect);
    }
    if (m_drawEdge) {
        RECT edge = rect;
        ::DrawEdge(dc, &edge, edgeStyle, BF_RECT);
    }
    if ((item->itemState & ODS_FOCUS) && m_focusInset > 0) {
        RECT focus = rect;
        ::InflateRect(&focus, -m_focusInset, -m_focusInset);
        ::DrawFocusRect(dc, &focus);
    }
    ::SetTextColor(dc, m_textColour);
    ::DrawTextA(dc, caption.c_str(), -1, &textRect, textFormat);
}

void CSkinButton::DrawPlain(const DRAWITEMSTRUCT& item) const
{
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool pushed = !disabled && ((item.itemState & ODS_SELECTED) || m_checked);
    const bool link = IsLinkButton(m_hWnd);
    int colour = COLOR_BTNTEXT;
    if (disabled) {
        colour = COLOR_GRAYTEXT;
    } else if (pushed) {
        colour = COLOR_HIGHLIGHTTEXT;
    } else if (link) {
        colour = COLOR_HOTLIGHT;
    }
    ::FillRect(dc, &rect, ::GetSysColorBrush(pushed ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    // A push button keeps its outline; a link is underlined instead, as links are.
    if (!link) {
        ::FrameRect(dc, &rect, ::GetSysColorBrush(colour));
    }
    if (m_glyph != Glyph::None) {
        DrawGlyph(dc, rect, m_glyph, ::GetSysColor(colour));
    } else {
        HFONT dialogFont = reinterpret_cast<HFONT>(Send(WM_GETFONT));
        UniqueGdiObject<HFONT> underlined(link ? UnderlinedFont(dialogFont) : nullptr);
        ScopedSelection font(dc, underlined ? underlined.Get() : dialogFont);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, ::GetSysColor(colour));
        RECT words = rect;
        ::DrawTextA(dc, AccessibleName().c_str(), -1, &words, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (item.itemState & ODS_FOCUS) {
        ::InflateRect(&rect, -kPlainFocusInset, -kPlainFocusInset);
        ::DrawFocusRect(dc, &rect);
    }
}

void CSkinButton::ToggleOrCheck()
{
    if (m_kind == CheckBox) {
        Send(BM_SETCHECK, !m_checked);
    } else if (m_kind == RadioButton) {
        Send(BM_SETCHECK, 1);
    }
}

LRESULT CSkinButton::OnLeftButtonDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    if (m_hover) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_CANCEL | TME_LEAVE, m_hWnd, 0};
        if (::_TrackMouseEvent(&track)) {
            m_hover = FALSE;
        }
    }
    LRESULT result = DefaultProc(message, wParam, lParam);
    m_pressed = TRUE;
    return result;
}

LRESULT CSkinButton::OnLeftButtonUp(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    if (m_kind != PushButton) {
        POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ::ClientToScreen(m_hWnd, &point);
        if (::WindowFromPoint(point) == m_hWnd) {
            ToggleOrCheck();
        }
    }
    m_pressed = FALSE;
    return DefaultProc(message, wParam, lParam);
}

LRESULT CSkinButton::OnLeftButtonDoubleClick(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    return Send(WM_LBUTTONDOWN, wParam, lParam);
}

LRESULT CSkinButton::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    if (m_pressed && ::GetCapture() == m_hWnd) {
        bool over = PointerOverButton();
        bool pushed = (Send(BM_GETSTATE) & BST_PUSHED) != 0;
        if (over != pushed) {
            Send(BM_SETSTATE, over);
            Invalidate();
        }
    } else if (!m_hover) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, m_hWnd, 0};
        if (::_TrackMouseEvent(&track)) {
            m_hover = TRUE;
            Invalidate();
        }
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT CSkinButton::OnMouseLeave(UINT, WPARAM, LPARAM, BOOL&)
{
    m_hover = FALSE;
    Invalidate(TRUE);
    return 0;
}

LRESULT CSkinButton::OnKillFocus(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    if (::GetCapture() == m_hWnd) {
        ::ReleaseCapture();
        m_pressed = FALSE;
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT CSkinButton::OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    if (wParam == VK_SPACE) {
        ToggleOrCheck();
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT CSkinButton::OnSetCheck(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    m_checked = wParam != 0 && m_kind != PushButton;
    if (m_kind == RadioButton && m_checked) {
        // Every other member of the dialog group. GetNextDlgGroupItem skips disabled and hidden
        // controls, so the walk may never come back to this one: stop at the first repeat.
        HWND dialog = GetParent();
        std::vector<HWND> visited;
        for (HWND other = ::GetNextDlgGroupItem(dialog, m_hWnd, FALSE);
             other && other != m_hWnd && std::find(visited.begin(), visited.end(), other) == visited.end();
             other = ::GetNextDlgGroupItem(dialog, other, FALSE)) {
            visited.push_back(other);
            ::PostMessageA(other, WM_SKIN_UNCHECK, 0, 0);
        }
    }
    Invalidate();
    return 0;
}

LRESULT CSkinButton::OnUncheck(UINT, WPARAM, LPARAM, BOOL&)
{
    if (m_checked) {
        m_checked = FALSE;
        Invalidate();
    }
    return 0;
}
