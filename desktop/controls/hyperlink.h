// A static text control made into a link: link colours and an underlined font, a hand pointer
// and a tooltip showing the target, which a click, the space bar or Enter hands to the shell.
// Give it the WS_TABSTOP style to let the keyboard reach it; it shows a focus rectangle.
#pragma once

#include "controls.h"
#include "link_rules.h"
#include "unique_handle.h"

#include <string>

class CHyperLink : public CStatic {
public:
    CHyperLink() = default;
    ~CHyperLink() override;

    void SetTarget(const std::string& target);
    const std::string& GetTarget() const { return m_target; }
    // FALSE, changing nothing, when `remove` and `add` share a flag.
    BOOL ChangeStyles(DWORD remove, DWORD add, BOOL apply = TRUE);
    DWORD GetStyles() const { return m_styles; }
    BOOL IsVisited() const { return m_visited; }

    // Colours of every link of the program; a hover colour of 0xFFFFFFFF means the system
    // highlight colour.
    static void SetLinkColours(COLORREF normal, COLORREF active, COLORREF visited, COLORREF hover);
    // Opens `target` with the shell, falling back to the program registered for web pages.
    // Returns the shell's (or the fallback's) result: above 32 on success.
    static int OpenWithShell(const std::string& target, int showCommand);

    BOOL PreTranslateMessage(MSG* msg) override;
    // A link (visited: traversed), named by its text.
    bool GetAccessibleFacts(AccessibleFacts& facts) const override;

    BEGIN_MSG_MAP(CHyperLink, CStatic)
    MESSAGE_HANDLER(OCM_CTLCOLORSTATIC, OnCtlColor)
    MESSAGE_HANDLER(WM_NCHITTEST, OnNcHitTest)
    MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
    MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
    MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLeftButtonDown)
    MESSAGE_HANDLER(WM_LBUTTONUP, OnLeftButtonUp)
    MESSAGE_HANDLER(WM_GETDLGCODE, OnGetDlgCode)
    MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_PRINTCLIENT, OnPrintClient)
    MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
    MESSAGE_HANDLER(WM_KILLFOCUS, OnKillFocus)
    MESSAGE_HANDLER(WM_SETTEXT, OnSetText)
    MESSAGE_HANDLER(WM_SETFONT, OnSetFont)
    END_MSG_MAP()

protected:
    void PreSubclassWindow() override;

private:
    void FitToText();
    // The link font made from `base`, underlined as the styles say; null when it can't be made.
    HFONT MakeLinkFont(HFONT base) const;
    // Makes the link font from `base`, sets it on the control and fits the window to the text;
    // FALSE, changing nothing, when the font can't be made.
    BOOL UseLinkFontFrom(HFONT base, BOOL redraw);
    void RebuildLinkFont();
    void OpenTarget();
    // The control's own painting, with a focus rectangle around the text while it has the focus.
    void PaintInto(HDC dc);
    // Repaints the control over its parent's background: the text is drawn transparently, so what
    // an earlier painting left (another colour, the focus rectangle) must go first.
    void Repaint() const;

    LRESULT OnCtlColor(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnNcHitTest(UINT, WPARAM, LPARAM, BOOL&) { return HTCLIENT; }
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM lParam, BOOL&);
    LRESULT OnLeftButtonDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLeftButtonUp(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetDlgCode(UINT message, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPrintClient(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetText(UINT message, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnSetFont(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);

    BOOL m_active = FALSE;
    BOOL m_hover = FALSE;
    BOOL m_visited = FALSE;
    DWORD m_styles = kDefaultLinkStyles;
    std::string m_target;
    UniqueGdiObject<HFONT> m_font;
    HWND m_tooltip = nullptr;
};
