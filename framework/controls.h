// The standard controls as window objects: subclassed dialog controls whose drawing and
// colours the parent reflects back to them.
#pragma once

#include "wnd.h"

class CButton : public CWnd {
public:
    // Owner drawing, reflected from the parent's WM_DRAWITEM.
    virtual void DrawItem(DRAWITEMSTRUCT*) {}

    BEGIN_MSG_MAP(CButton, CWnd)
    MESSAGE_HANDLER(OCM_DRAWITEM, OnReflectedDrawItem)
    END_MSG_MAP()

private:
    LRESULT OnReflectedDrawItem(UINT, WPARAM, LPARAM lParam, BOOL&)
    {
        DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
};

class CStatic : public CWnd {};

class CProgressCtrl : public CWnd {};
