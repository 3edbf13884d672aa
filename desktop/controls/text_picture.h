// A picture of words (a bitmap static control, such as the band's busy caption): assistive
// technology reads its words, which SetAccessibleName gives, as static text, and learns when it
// shows (EVENT_OBJECT_SHOW); under high contrast the words are drawn as text in the dialog's font
// and the system's colours instead of the picture.
#pragma once

#include "controls.h"
#include "self_painted.h"

class CTextPicture : public CSelfPainted<CTextPicture, CStatic> {
    using Base = CSelfPainted<CTextPicture, CStatic>;
    friend Base;

public:
    bool GetAccessibleFacts(AccessibleFacts& facts) const override;

    BEGIN_MSG_MAP(CTextPicture, Base)
    MESSAGE_HANDLER(WM_WINDOWPOSCHANGED, OnWindowPosChanged)
    END_MSG_MAP()

private:
    // Under high contrast only: the words in the system's colours.
    bool PaintsItself() const;
    void PaintClient(HDC dc) const;

    LRESULT OnWindowPosChanged(UINT, WPARAM, LPARAM lParam, BOOL& handled);
};
