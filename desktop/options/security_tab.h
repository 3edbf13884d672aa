// The options sheet's Security page: creates a System Restore point on request.
#pragma once

#include "options_resource.h"
#include "property_sheet.h"

class CSecurityTab : public CPropertyPage {
public:
    CSecurityTab() : CPropertyPage(IDD_SECURITY_TAB) {}

    BEGIN_MSG_MAP(CSecurityTab, CPropertyPage)
    COMMAND_HANDLER(IDC_CREATE_RESTORE_POINT, BN_CLICKED, OnCreate)
    END_MSG_MAP()

private:
    // Blocks while System Restore works, then tells the outcome in a message box over the page.
    void OnCreate();
};
