// A picture of words (a bitmap static control, such as the band's busy caption): assistive
// technology reads its words, which SetAccessibleName gives, as static text, and learns when it
// shows (EVENT_OBJECT_SHOW); under high contrast the words are drawn as text in the dialog's font
// and the system's colours instead of the picture.
#pragma once

#include "controls.h"

class CTextPicture : public CStatic {
public:
    bool GetAccessibleFacts(AccessibleFacts& facts) const override;

    BEGIN_MSG_MAP(CTextPicture, CStatic)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_PRINTCLIENT, OnPrintClient)
    MESSAGE_HANDLER(WM_WINDOWPOSCHANGED, OnWindowPosChanged)
    END_MSG_MAP()

private:
    void PaintWords(HDC dc) const;

    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnPrintClient(UINT, WPARAM wParam, LPARAM, BOOL& handled);
    LRESULT OnWindowPosChanged(UINT, WPARAM, LPARAM lParam, BOOL& handled);
};
