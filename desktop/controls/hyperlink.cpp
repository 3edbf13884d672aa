#include "hyperlink.h"

#include "hand_cursor.h"
#include "high_contrast.h"
#include "scoped_selection.h"
#include "unique_handle.h"
#include "win_app.h"
#include "window_dc.h"

#include <cstring>
#include <utility>

namespace {

// Colours shared by every link of the program.
struct LinkColours {
    COLORREF normal = RGB(0, 0, 255);
    COLORREF active = RGB(0, 128, 128);
    COLORREF visited = RGB(128, 0, 128);
    COLORREF hover = RGB(255, 0, 0);
};
LinkColours g_colours;

const UINT_PTR kToolId = 1;
const size_t kRegistryText = 260;

// The default value of an HKEY_CLASSES_ROOT key, read into a buffer of 260 bytes and always
// ended within it.
bool ReadClassDefault(const std::string& subKey, std::string& value)
{
    UniqueRegKey key;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) {
        return false;
    }
    char buffer[kRegistryText] = {};
    LONG size = sizeof(buffer);
    LONG status = ::RegQueryValueA(key.Get(), nullptr, buffer, &size);
    if (status != ERROR_SUCCESS) {
        return false;
    }
    value.assign(buffer, strnlen(buffer, sizeof(buffer)));
    return true;
}

TOOLINFOA ToolInfo(HWND owner, const std::string& text)
{
    TOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = owner;
    tool.uId = kToolId;
    tool.lpszText = const_cast<char*>(text.c_str());
    ::GetClientRect(owner, &tool.rect);
    return tool;
}

}  // namespace

CHyperLink::~CHyperLink()
{
    if (m_tooltip && ::IsWindow(m_tooltip)) {
        ::DestroyWindow(m_tooltip);
    }
}

void CHyperLink::SetLinkColours(COLORREF normal, COLORREF active, COLORREF visited, COLORREF hover)
{
    g_colours.normal = normal;
    g_colours.active = active;
    g_colours.visited = visited;
    g_colours.hover = hover == 0xFFFFFFFF ? ::GetSysColor(COLOR_HIGHLIGHT) : hover;
}

void CHyperLink::PreSubclassWindow()
{
    std::string text = GetText();
    if (m_target.empty()) {
        m_target = text;
    }
    if (text.empty()) {
        ::SetWindowTextA(m_hWnd, m_target.c_str());
    }
    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    if (font) {
        UseLinkFontFrom(font, TRUE);
    } else {
        m_styles &= ~static_cast<DWORD>(LinkFitText);
    }
    if (!(m_styles & LinkNoHandCursor)) {
        LoadHandCursor();
    }
    // The tooltip of an earlier window of this control went with that window.
    m_tooltip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, m_hWnd, nullptr, nullptr, nullptr);
    if (m_tooltip) {
        TOOLINFOA tool = ToolInfo(m_hWnd, m_target);
        ::SendMessageA(m_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

HFONT CHyperLink::MakeLinkFont(HFONT base) const
{
    LOGFONTA description = {};
    if (!base || !::GetObjectA(base, sizeof(description), &description)) {
        return nullptr;
    }
    description.lfUnderline = (m_styles & LinkUnderline) ? TRUE : FALSE;
    return ::CreateFontIndirectA(&description);
}

BOOL CHyperLink::UseLinkFontFrom(HFONT base, BOOL redraw)
{
    HFONT linkFont = MakeLinkFont(base);
    if (!linkFont) {
        return FALSE;
    }
    // Set first, so that the control's own handling of WM_SETFONT lets this font through; the
    // previous font goes once the control uses the new one.
    UniqueGdiObject<HFONT> previous = std::move(m_font);
    m_font.Attach(linkFont);
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), redraw);
    previous.Reset();
    FitToText();
    return TRUE;
}

void CHyperLink::RebuildLinkFont()
{
    ::ShowWindow(m_hWnd, SW_HIDE);
    UseLinkFontFrom(reinterpret_cast<HFONT>(Send(WM_GETFONT)), TRUE);
    ::ShowWindow(m_hWnd, SW_SHOW);
}

void CHyperLink::FitToText()
{
    if (!(m_styles & LinkFitText) || !m_hWnd) {
        return;
    }
    RECT window = WindowRect();
    ::MapWindowPoints(nullptr, GetParent(), reinterpret_cast<POINT*>(&window), 2);
    RECT client = ClientRect();
    std::string text = GetText();
    SIZE extent = {0, 0};
    {
        WindowDC dc(m_hWnd);
        HGDIOBJ font = reinterpret_cast<HGDIOBJ>(Send(WM_GETFONT));
        ScopedSelection selected(dc.Get(), font ? font : ::GetStockObject(SYSTEM_FONT));
        ::GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
    }

    DWORD style = GetStyle();
    int height = window.bottom - window.top;
    if (style & SS_CENTERIMAGE) {
        window.top += (height - extent.cy) / 2;
    }
    window.bottom = window.top + extent.cy;
    int width = window.right - window.left;
    DWORD alignment = style & SS_TYPEMASK;
    if (alignment == SS_CENTER) {
        window.left += (width - extent.cx) / 2;
    } else if (alignment == SS_RIGHT) {
        window.left = window.right - extent.cx;
    }
    int borderWidth = width - (client.right - client.left);
    int borderHeight = height - (client.bottom - client.top);
    ::MoveWindow(m_hWnd, window.left, window.top, extent.cx + borderWidth, extent.cy + borderHeight, TRUE);
}

void CHyperLink::SetTarget(const std::string& target)
{
    m_target = target;
    if (!m_hWnd) {
        return;
    }
    ::ShowWindow(m_hWnd, SW_HIDE);
    FitToText();
    if (m_tooltip) {
        TOOLINFOA tool = ToolInfo(m_hWnd, m_target);
        ::SendMessageA(m_tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ::ShowWindow(m_hWnd, SW_SHOW);
}

BOOL CHyperLink::ChangeStyles(DWORD remove, DWORD add, BOOL apply)
{
    if (remove & add) {
        return FALSE;
    }
    m_styles = (m_styles & ~remove) | add;
    if (apply && m_hWnd) {
        if ((remove | add) & LinkUnderline) {
            RebuildLinkFont();
        }
        if (add & LinkFitText) {
            FitToText();
        }
        if (remove & LinkHoverColour) {
            Repaint();
        }
    }
    return TRUE;
}

BOOL CHyperLink::PreTranslateMessage(MSG* msg)
{
    if (m_tooltip) {
        ::SendMessageA(m_tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    }
    return FALSE;
}

int CHyperLink::OpenWithShell(const std::string& target, int showCommand)
{
    int result = static_cast<int>(
        reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, showCommand)));
    if (result > 32) {
        return result;
    }
    std::string pageClass;
    std::string browserCommand;
    std::string command;
    if (!ReadClassDefault(".htm", pageClass) ||
        !ReadClassDefault(pageClass + "\\shell\\open\\command", browserCommand) ||
        !BuildBrowserCommand(browserCommand, target, command)) {
        return result;
    }
    return static_cast<int>(::WinExec(command.c_str(), static_cast<UINT>(showCommand)));
}

void CHyperLink::OpenTarget()
{
    int result = OpenWithShell(m_target, SW_SHOW);
    if (result > 32) {
        m_visited = TRUE;
        Repaint();
        return;
    }
    ::MessageBeep(MB_ICONEXCLAMATION);
    ::MessageBoxA(GetParent(), LinkErrorText(result).c_str(), AppName().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

LRESULT CHyperLink::OnCtlColor(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    HDC dc = reinterpret_cast<HDC>(wParam);
    COLORREF colour = g_colours.normal;
    switch (ChooseLinkColour(m_styles, m_hover != FALSE, m_active != FALSE, m_visited != FALSE)) {
    case LinkColourRole::Hover:
        colour = g_colours.hover;
        break;
    case LinkColourRole::Active:
        colour = g_colours.active;
        break;
    case LinkColourRole::Visited:
        colour = g_colours.visited;
        break;
    case LinkColourRole::Normal:
        break;
    }
    // High contrast: the system's colour of links, whatever the program's colours.
    ::SetTextColor(dc, HighContrastOn() ? ::GetSysColor(COLOR_HOTLIGHT) : colour);
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
}

LRESULT CHyperLink::OnSetCursor(UINT, WPARAM, LPARAM, BOOL&)
{
    HCURSOR hand = LoadedHandCursor();
    if (!hand) {
        return FALSE;
    }
    ::SetCursor(hand);
    return TRUE;
}

LRESULT CHyperLink::OnMouseMove(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    if (!m_hover) {
        m_hover = TRUE;
        Repaint();
        ::SetCapture(m_hWnd);
        return 0;
    }
    POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT client = ClientRect();
    if (!::PtInRect(&client, point)) {
        m_hover = FALSE;
        ::ReleaseCapture();
        Repaint();
    }
    return 0;
}

LRESULT CHyperLink::OnLeftButtonDown(UINT, WPARAM, LPARAM, BOOL&)
{
    if (m_styles & LinkFocusOnClick) {
        ::SetFocus(m_hWnd);
    }
    if (m_styles & LinkOpenOnPress) {
        OpenTarget();
    }
    m_active = TRUE;
    return 0;
}

LRESULT CHyperLink::OnLeftButtonUp(UINT, WPARAM, LPARAM, BOOL&)
{
    if (m_active && !(m_styles & LinkOpenOnPress)) {
        OpenTarget();
    }
    return 0;
}

// Enter is the link's, not the dialog's default button.
LRESULT CHyperLink::OnGetDlgCode(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    LRESULT code = DefaultProc(message, wParam, lParam);
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
        code |= DLGC_WANTMESSAGE;
    }
    return code;
}

LRESULT CHyperLink::OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    if (wParam == VK_SPACE || wParam == VK_RETURN) {
        OpenTarget();
        return 0;
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT CHyperLink::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    PaintDC dc(m_hWnd);
    if (dc) {
        PaintInto(dc.Get());
    }
    return 0;
}

LRESULT CHyperLink::OnPrintClient(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    PaintInto(reinterpret_cast<HDC>(wParam));
    return 0;
}

void CHyperLink::PaintInto(HDC dc)
{
    DefaultProc(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    if (::GetFocus() == m_hWnd) {
        RECT client = ClientRect();
        ::DrawFocusRect(dc, &client);
    }
}

void CHyperLink::Repaint() const
{
    HWND parent = GetParent();
    if (!parent) {
        Invalidate();
        return;
    }
    RECT area = WindowRect();
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    ::RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

bool CHyperLink::GetAccessibleFacts(AccessibleFacts& facts) const
{
    CStatic::GetAccessibleFacts(facts);
    facts.role = ROLE_SYSTEM_LINK;
    facts.states = STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE | (m_visited ? STATE_SYSTEM_TRAVERSED : 0);
    return true;
}

LRESULT CHyperLink::OnSetFocus(UINT, WPARAM, LPARAM, BOOL&)
{
    m_active = TRUE;
    Repaint();
    return 0;
}

LRESULT CHyperLink::OnKillFocus(UINT, WPARAM, LPARAM, BOOL&)
{
    m_hover = FALSE;
    m_active = FALSE;
    Repaint();
    return 0;
}

// A new text changes its extent: the window fits it again.
LRESULT CHyperLink::OnSetText(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    LRESULT result = DefaultProc(message, wParam, lParam);
    FitToText();
    return result;
}

// A font from outside becomes the base of a new link font, which keeps the link's underline; the
// window fits the text in whatever font the control takes.
LRESULT CHyperLink::OnSetFont(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    HFONT font = reinterpret_cast<HFONT>(wParam);
    if (font == m_font.Get()) {
        handled = FALSE;
        return 0;
    }
    if (!UseLinkFontFrom(font, static_cast<BOOL>(LOWORD(lParam)))) {
        DefaultProc(message, wParam, lParam);
        FitToText();
    }
    return 0;
}
