// A button drawn from bitmaps: push button, check box or radio button, with an image per state,
// an optional shape from a mask bitmap and a hover image while the pointer is over it.
#pragma once

#include "bitmap.h"
#include "controls.h"
#include "unique_handle.h"

#include <string>

// Posted to the other radio buttons of a group when one is checked: they clear their check.
const UINT WM_SKIN_UNCHECK = WM_USER + 0x100;

class CSkinButton : public CButton {
public:
    enum Kind { PushButton = 0, CheckBox = 2, RadioButton = 4 };

    CSkinButton();

    // Replaces the images (resource ids, 0 for none). May be called from any thread: on another
    // thread than the window's it runs on the window's thread, so it never overlaps a drawing.
    // The caller invalidates the button to show the change.
    void SetBitmaps(UINT normal, UINT pressed, UINT hover, UINT disabled, UINT focus, UINT mask, short drawMode,
                    int drawEdge, short focusInset);
    // The glyph of a window button (close, minimise...), which high contrast draws for it.
    enum class Glyph { None, Close, Minimise, Maximise, Restore };
    // What the images say: the words a screen reader reads as the button's name and that high
    // contrast draws in their place, or for a window button its glyph. May be called from any
    // thread, as SetBitmaps; the caller invalidates the button.
    void SetWords(const std::string& words, Glyph glyph = Glyph::None);

    // The region of the bitmap's pixels that differ from `key`; empty for an all-key bitmap,
    // null for a null bitmap. The caller owns it.
    HRGN BuildRegionFromBitmap(HBITMAP bitmap, COLORREF key) const;
    void DrawBitmap(HDC dc, HBITMAP bitmap, const RECT& rect, int drawMode) const;
    void DrawItem(DRAWITEMSTRUCT* item) override;
    // A push button, or a link for a link-style button; check box, radio button; with its words.
    bool GetAccessibleFacts(AccessibleFacts& facts) const override;

    Kind kind() const { return static_cast<Kind>(m_kind); }

    BEGIN_MSG_MAP(CSkinButton, CButton)
    MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
    MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLeftButtonDown)
    MESSAGE_HANDLER(WM_LBUTTONUP, OnLeftButtonUp)
    MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnLeftButtonDoubleClick)
    MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
    MESSAGE_HANDLER(WM_MOUSELEAVE, OnMouseLeave)
    MESSAGE_HANDLER(WM_KILLFOCUS, OnKillFocus)
    MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
    MESSAGE_HANDLER(BM_SETCHECK, OnSetCheck)
    MESSAGE_HANDLER(BM_GETCHECK, OnGetCheck)
    MESSAGE_HANDLER(WM_SKIN_UNCHECK, OnUncheck)
    END_MSG_MAP()

protected:
    void PreSubclassWindow() override;

private:
    struct BitmapSet {
        UINT normal, pressed, hover, disabled, focus, mask;
        short drawMode;
        int drawEdge;
        short focusInset;
    };
    void ApplyBitmaps(const BitmapSet& set);
    // High contrast: the system's colours and the words (or the glyph), no image.
    void DrawPlain(const DRAWITEMSTRUCT& item) const;
    void DeleteBitmaps();
    bool PointerOverButton() const;
    void ToggleOrCheck();

    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return TRUE; }
    LRESULT OnLeftButtonDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLeftButtonUp(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLeftButtonDoubleClick(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMouseLeave(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnKeyDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetCheck(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetCheck(UINT, WPARAM, LPARAM, BOOL&) { return m_checked; }
    LRESULT OnUncheck(UINT, WPARAM, LPARAM, BOOL&);

    BYTE m_checked = FALSE;
    int m_kind = PushButton;
    BYTE m_hover = FALSE;
    BYTE m_pressed = FALSE;
    CBitmap m_normal;
    CBitmap m_pressedImage;
    CBitmap m_disabled;
    CBitmap m_mask;
    CBitmap m_hoverImage;
    CBitmap m_focus;
    short m_focusInset = 0;
    COLORREF m_textColour;
    UniqueGdiObject<HRGN> m_region;
    int m_drawEdge = 0;
    short m_drawMode = 1;
    Glyph m_glyph = Glyph::None;
};
