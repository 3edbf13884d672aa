#include "security_tab.h"

#include "restore_point.h"

void CSecurityTab::OnCreate()
{
    RunRestorePointAction(m_hWnd);
}
