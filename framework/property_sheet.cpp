#include "property_sheet.h"

#include "modal_loop.h"
#include "win_app.h"

namespace {

PROPSHEETPAGEA PageDescription(CPropertyPage* page, DLGPROC procedure)
{
    PROPSHEETPAGEA description = {};
    description.dwSize = sizeof(description);
    description.dwFlags = PSP_DEFAULT;
    description.hInstance = ResourceInstance();
    description.pfnDlgProc = procedure;
    description.lParam = reinterpret_cast<LPARAM>(page);
    return description;
}

}  // namespace

CPropertyPage::CPropertyPage(UINT templateId)
    : CDialog(templateId), m_psp(PageDescription(this, &CPropertyPage::PageProc))
{
    m_psp.pszTemplate = MAKEINTRESOURCEA(templateId);
}

CPropertyPage::CPropertyPage(const DLGTEMPLATE* dialogTemplate)
    : CDialog(dialogTemplate), m_psp(PageDescription(this, &CPropertyPage::PageProc))
{
    m_psp.dwFlags |= PSP_DLGINDIRECT;
    m_psp.pResource = dialogTemplate;
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        // The sheet hands the page a copy of its description, whose lParam is the page object.
        const auto* description = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        return BindOnInit(window, reinterpret_cast<CPropertyPage*>(description->lParam), wParam, lParam);
    }
    return FALSE;
}

CPropertySheet::CPropertySheet(const char* caption, HWND parent) : m_psh()
{
    m_psh.dwSize = sizeof(m_psh);
    m_psh.dwFlags = PSH_DEFAULT;
    m_psh.hwndParent = parent;
    m_psh.hInstance = ResourceInstance();
    m_psh.pszCaption = caption;
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    m_pages.push_back(page);
}

INT_PTR CPropertySheet::DoModal()
{
    std::vector<PROPSHEETPAGEA> pages;
    for (CPropertyPage* page : m_pages) {
        pages.push_back(page->m_psp);
    }
    PROPSHEETHEADERA header = m_psh;
    header.dwFlags |= PSH_PROPSHEETPAGE | PSH_MODELESS;
    header.nPages = static_cast<UINT>(pages.size());
    header.ppsp = pages.data();
    // A sheet without a parent is owned by the application's main window, as a dialog is.
    header.hwndParent = ModalOwner(header.hwndParent);
    DisabledOwner disabledOwner(header.hwndParent);
    HWND sheet = reinterpret_cast<HWND>(::PropertySheetA(&header));
    INT_PTR result = -1;
    if (sheet && sheet != reinterpret_cast<HWND>(-1)) {
        // A modeless sheet stays open until OK or Cancel leaves it without a current page.
        RunModalLoop(
            sheet, [sheet] { return ::IsWindow(sheet) && PropSheet_GetCurrentPageHwnd(sheet); },
            [sheet](MSG* msg) { return PropSheet_IsDialogMessage(sheet, msg); });
        result = ::IsWindow(sheet) && PropSheet_GetResult(sheet) > 0 ? IDOK : IDCANCEL;
    }
    disabledOwner.Release(sheet);
    if (sheet && ::IsWindow(sheet)) {
        ::DestroyWindow(sheet);
    }
    return result;
}
