// Property sheets and their pages, run modally with a message loop of their own.
#pragma once

#include "dialog.h"

#include <prsht.h>

#include <vector>

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId);
    explicit CPropertyPage(const DLGTEMPLATE* dialogTemplate);

    // The page's description; flags such as PSP_HASHELP may be changed before the sheet runs.
    PROPSHEETPAGEA m_psp;

private:
    static INT_PTR CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

class CPropertySheet {
public:
    // Opens on the first page.
    explicit CPropertySheet(const char* caption, HWND parent = nullptr);
    virtual ~CPropertySheet() = default;
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;

    void AddPage(CPropertyPage* page);
    // Shows the sheet, owned by its parent or else the application's main window, with that owner
    // disabled, and returns when it is closed: IDOK after OK, IDCANCEL otherwise.
    INT_PTR DoModal();

    // The sheet's description; flags such as PSH_NOAPPLYNOW may be changed before DoModal.
    PROPSHEETHEADERA m_psh;

private:
    std::vector<CPropertyPage*> m_pages;
};
