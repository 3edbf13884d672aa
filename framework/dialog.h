// Dialogs from templates, run modally with a message loop of their own, and the data exchange
// that binds dialog controls to control objects.
#pragma once

#include "wnd.h"

struct CDataExchange {
    HWND dialog;
    BOOL saveAndValidate;
};

// Binds the dialog's control `id` to `control` by subclassing it, once per dialog window.
void DDX_Control(CDataExchange* exchange, int id, CWnd& control);

class CDialog : public CWnd {
public:
    // Template from the program's resources, or a template in memory that outlives the dialog.
    explicit CDialog(UINT templateId, HWND parent = nullptr);
    explicit CDialog(const DLGTEMPLATE* dialogTemplate, HWND parent = nullptr);

    // Creates the dialog, owned by its parent or else the application's main window, disables that
    // owner and runs until EndDialog. Returns EndDialog's value, or -1 when the dialog can't be
    // created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    virtual BOOL OnInitDialog();  // runs the data exchange (UpdateData(FALSE)); TRUE sets focus
    virtual void OnOK();          // UpdateData(TRUE), then EndDialog(IDOK)
    virtual void OnCancel();      // EndDialog(IDCANCEL)
    virtual void DoDataExchange(CDataExchange*) {}
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    BEGIN_MSG_MAP(CDialog, CWnd)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialogMessage)
    COMMAND_ID_HANDLER(IDOK, OnOK)
    COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

protected:
    // The dialog procedure of dialogs and pages: binds the object at WM_INITDIALOG and leaves
    // every other message to the subclassed window procedure.
    static INT_PTR CALLBACK BindOnInit(HWND window, CDialog* dialog, WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnInitDialogMessage(UINT, WPARAM, LPARAM, BOOL&) { return OnInitDialog(); }

    UINT m_templateId = 0;
    const DLGTEMPLATE* m_template = nullptr;
    HWND m_parent = nullptr;
    bool m_ending = false;
    INT_PTR m_result = 0;
};
