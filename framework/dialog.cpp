#include "dialog.h"

#include "modal_loop.h"
#include "win_app.h"

void DDX_Control(CDataExchange* exchange, int id, CWnd& control)
{
    if (!control.m_hWnd) {
        control.SubclassDlgItem(id, exchange->dialog);
    }
}

CDialog::CDialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::CDialog(const DLGTEMPLATE* dialogTemplate, HWND parent) : m_template(dialogTemplate), m_parent(parent) {}

INT_PTR CDialog::DoModal()
{
    const DLGTEMPLATE* dialogTemplate = m_template;
    HINSTANCE instance = ResourceInstance();
    if (!dialogTemplate) {
        HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(m_templateId), MAKEINTRESOURCEA(5));
        HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
        dialogTemplate = loaded ? static_cast<const DLGTEMPLATE*>(::LockResource(loaded)) : nullptr;
        if (!dialogTemplate) {
            return -1;
        }
    }
    m_ending = false;
    m_result = -1;
    const HWND owner = ModalOwner(m_parent);
    DisabledOwner disabledOwner(owner);
    HWND window = ::CreateDialogIndirectParamA(instance, dialogTemplate, owner, &CDialog::DialogProc,
                                               reinterpret_cast<LPARAM>(this));
    if (window) {
        RunModalLoop(
            window, [this] { return !m_ending && m_hWnd; },
            [window](MSG* msg) { return ::IsDialogMessageA(window, msg); });
    }
    disabledOwner.Release(window);
    if (window && ::IsWindow(window)) {
        ::DestroyWindow(window);
    }
    return m_result;
}

void CDialog::EndDialog(INT_PTR result)
{
    m_result = result;
    m_ending = true;
    if (m_hWnd) {
        Post(WM_NULL);  // wakes the modal loop when the call came from outside it
    }
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE)) {
        EndDialog(IDOK);
    }
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange = {m_hWnd, saveAndValidate};
    DoDataExchange(&exchange);
    return TRUE;
}

INT_PTR CALLBACK CDialog::BindOnInit(HWND window, CDialog* dialog, WPARAM wParam, LPARAM lParam)
{
    if (!dialog || !dialog->SubclassWindow(window)) {
        return TRUE;
    }
    LRESULT result = 0;
    if (!dialog->ProcessWindowMessage(window, WM_INITDIALOG, wParam, lParam, result)) {
        return TRUE;
    }
    return result;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        return BindOnInit(window, reinterpret_cast<CDialog*>(lParam), wParam, lParam);
    }
    return FALSE;
}
