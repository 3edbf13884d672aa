#include "options_sheet.h"

COptionsProp::COptionsProp() : CPropertySheet("Korvala 2007 Options")
{
    m_psh.dwFlags |= PSH_NOAPPLYNOW;
}

OptionsSheet::OptionsSheet()
{
    m_sheet.AddPage(&m_general);
    m_sheet.AddPage(&m_security);
    m_sheet.AddPage(&m_about);
}

INT_PTR OptionsSheet::Show()
{
    if (m_showing) {
        return -1;
    }
    m_showing = true;
    INT_PTR result = m_sheet.DoModal();
    m_showing = false;
    return result;
}
