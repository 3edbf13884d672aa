#include "text_picture.h"

#include "high_contrast.h"
#include "scoped_selection.h"

bool CTextPicture::GetAccessibleFacts(AccessibleFacts& facts) const
{
    CStatic::GetAccessibleFacts(facts);
    facts.role = ROLE_SYSTEM_STATICTEXT;
    return true;
}

bool CTextPicture::PaintsItself() const
{
    return HighContrastOn();
}

void CTextPicture::PaintClient(HDC dc) const
{
    RECT client = ClientRect();
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    // A picture control keeps no font of its own: the words take the dialog's.
    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    if (!font) {
        font = reinterpret_cast<HFONT>(::SendMessageA(GetParent(), WM_GETFONT, 0, 0));
    }
    ScopedSelection selected(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    ::DrawTextA(dc, AccessibleName().c_str(), -1, &client, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// The system tells that the window shows; a reader hears the words from the client object.
LRESULT CTextPicture::OnWindowPosChanged(UINT, WPARAM, LPARAM lParam, BOOL& handled)
{
    if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW) {
        NotifyAccessible(EVENT_OBJECT_SHOW);
    }
    handled = FALSE;
    return 0;
}
