// The desktop program's options sheet: identification (General), restore point (Security) and
// help links (Help). Built once and shown modally any number of times; each showing makes the
// page windows anew from the stored settings.
#pragma once

#include "about_tab.h"
#include "general_tab.h"
#include "property_sheet.h"
#include "security_tab.h"

// "Korvala 2007 Options": no parent window of its own (the framework makes the application's
// main window its owner and disables it while the sheet runs), opens on its first page, OK and
// Cancel only (every change is stored as it is made, so there is nothing to apply).
class COptionsProp : public CPropertySheet {
public:
    COptionsProp();
};

// The sheet with its three pages, kept for the life of the main window.
class OptionsSheet {
public:
    OptionsSheet();
    OptionsSheet(const OptionsSheet&) = delete;
    OptionsSheet& operator=(const OptionsSheet&) = delete;

    // Runs the sheet modally: IDOK or IDCANCEL when it closes, -1 when it could not be shown or
    // is already showing.
    INT_PTR Show();

private:
    CGeneralTab m_general;
    CSecurityTab m_security;
    CAboutTab m_about;
    COptionsProp m_sheet;
    bool m_showing = false;
};
