#include <gtest/gtest.h>

#include "controls.h"
#include "dialog.h"
#include "property_sheet.h"
#include "win_app.h"
#include "worker_thread.h"

#include <vector>

namespace {

const UINT kRunChecks = WM_APP + 1;

class RecordingButton : public CButton {
public:
    void DrawItem(DRAWITEMSTRUCT* item) override { drawnId = item->CtlID; }
    UINT drawnId = 0;
};

class RecordingStatic : public CStatic {
public:
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_APP + 7) {
            ++preTranslated;
            return TRUE;
        }
        return FALSE;
    }
    int preTranslated = 0;

    BEGIN_MSG_MAP(RecordingStatic, CStatic)
    MESSAGE_HANDLER(OCM_CTLCOLORSTATIC, OnColour)
    END_MSG_MAP()

private:
    LRESULT OnColour(UINT, WPARAM, LPARAM, BOOL&) { return reinterpret_cast<LRESULT>(::GetStockObject(GRAY_BRUSH)); }
};

// A dialog that binds its two controls and, once running, checks reflection and
// pre-translation from inside its own modal loop.
class BindingDialog : public CDialog {
public:
    BindingDialog() : CDialog(100) {}

    RecordingButton button;
    RecordingStatic text;
    LRESULT colourResult = 0;
    int initCount = 0;

    void DoDataExchange(CDataExchange* exchange) override
    {
        DDX_Control(exchange, 1001, button);
        DDX_Control(exchange, 1002, text);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        ++initCount;
        Post(kRunChecks);
        return TRUE;
    }

    BEGIN_MSG_MAP(BindingDialog, CDialog)
    MESSAGE_HANDLER(kRunChecks, OnRunChecks)
    MESSAGE_HANDLER(WM_APP + 8, OnEnd)
    END_MSG_MAP()

private:
    LRESULT OnRunChecks(UINT, WPARAM, LPARAM, BOOL&)
    {
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_BUTTON;
        item.CtlID = 1001;
        item.hwndItem = button.m_hWnd;
        Send(WM_DRAWITEM, 1001, reinterpret_cast<LPARAM>(&item));
        HDC dc = ::GetDC(text.m_hWnd);
        colourResult = Send(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(text.m_hWnd));
        ::ReleaseDC(text.m_hWnd, dc);
        text.Post(WM_APP + 7);
        Post(WM_APP + 8);
        return 0;
    }
    LRESULT OnEnd(UINT, WPARAM, LPARAM, BOOL&)
    {
        EndDialog(42);
        return 0;
    }
};

TEST(Dialog, ResourceTemplateRunsModallyAndBindsReflectsAndPreTranslates)
{
    BindingDialog dialog;
    EXPECT_EQ(42, dialog.DoModal());
    EXPECT_EQ(1001u, dialog.button.drawnId);
    EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(GRAY_BRUSH)), dialog.colourResult);
    EXPECT_EQ(1, dialog.text.preTranslated);
    EXPECT_EQ(nullptr, dialog.button.m_hWnd) << "controls are released with their dialog";

    // A second run binds the controls to the new dialog's windows again.
    dialog.button.drawnId = 0;
    EXPECT_EQ(42, dialog.DoModal());
    EXPECT_EQ(2, dialog.initCount);
    EXPECT_EQ(1001u, dialog.button.drawnId);
}

// Handler lists chained from derived to base class.
class BaseDialog : public CDialog {
public:
    using CDialog::CDialog;
    BEGIN_MSG_MAP(BaseDialog, CDialog)
    MESSAGE_HANDLER(WM_APP + 1, OnFirst)
    MESSAGE_HANDLER(WM_APP + 2, OnSecond)
    MESSAGE_HANDLER(WM_APP + 3, OnThird)
    END_MSG_MAP()
private:
    LRESULT OnFirst(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
    LRESULT OnSecond(UINT, WPARAM, LPARAM, BOOL&) { return 2; }
    LRESULT OnThird(UINT, WPARAM, LPARAM, BOOL&) { return 3; }
};

class DerivedDialog : public BaseDialog {
public:
    using BaseDialog::BaseDialog;
    std::vector<LRESULT> results;
    HWND owner = nullptr;
    BOOL ownerEnabledWhileOpen = TRUE;
    HWND ownerSeen = nullptr;

    BOOL OnInitDialog() override
    {
        ownerEnabledWhileOpen = owner ? ::IsWindowEnabled(owner) : TRUE;
        ownerSeen = ::GetWindow(m_hWnd, GW_OWNER);
        for (UINT message = WM_APP + 1; message <= WM_APP + 4; ++message) {
            results.push_back(Send(message));
        }
        Post(WM_COMMAND, IDCANCEL);
        return TRUE;
    }

    BEGIN_MSG_MAP(DerivedDialog, BaseDialog)
    MESSAGE_HANDLER(WM_APP + 1, OnFirst)
    MESSAGE_HANDLER(WM_APP + 3, OnPassOn)
    END_MSG_MAP()
private:
    LRESULT OnFirst(UINT, WPARAM, LPARAM, BOOL&) { return 10; }
    LRESULT OnPassOn(UINT, WPARAM, LPARAM, BOOL& handled)
    {
        handled = FALSE;
        return 30;
    }
};

// An in-memory template: a hidden pop-up without controls.
struct EmptyTemplate {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
};

TEST(Dialog, InMemoryTemplateChainsMessageMapsAndDisablesOwner)
{
    static EmptyTemplate dialogTemplate = {{WS_POPUP, 0, 0, 0, 0, 80, 40}, 0, 0, 0};
    HWND owner = ::CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner);
    DerivedDialog dialog(&dialogTemplate.header, owner);
    dialog.owner = owner;
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ((std::vector<LRESULT>{10, 2, 3, 0}), dialog.results);
    EXPECT_FALSE(dialog.ownerEnabledWhileOpen);
    EXPECT_TRUE(::IsWindowEnabled(owner));
    ::DestroyWindow(owner);
}

TEST(Dialog, WithoutParentTheApplicationsMainWindowOwnsItAsItsTopLevelWindow)
{
    static EmptyTemplate dialogTemplate = {{WS_POPUP, 0, 0, 0, 0, 80, 40}, 0, 0, 0};
    HWND main = ::CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND child = ::CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, main, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, child);
    {
        DerivedDialog withoutApp(&dialogTemplate.header);
        EXPECT_EQ(IDCANCEL, withoutApp.DoModal());
        EXPECT_EQ(nullptr, withoutApp.ownerSeen);
    }
    CWinApp app;
    CWnd mainObject;
    mainObject.SubclassWindow(child);
    app.m_pMainWnd = &mainObject;
    DerivedDialog dialog(&dialogTemplate.header);
    dialog.owner = main;
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ(main, dialog.ownerSeen);
    EXPECT_FALSE(dialog.ownerEnabledWhileOpen);
    EXPECT_TRUE(::IsWindowEnabled(main));
    app.m_pMainWnd = nullptr;
    mainObject.UnsubclassWindow();
    ::DestroyWindow(main);
}

TEST(Dialog, MissingTemplateFails)
{
    CDialog dialog(999);
    EXPECT_EQ(-1, dialog.DoModal());
}

class Page : public CPropertyPage {
public:
    Page() : CPropertyPage(101) {}
    RecordingStatic text;
    int initCount = 0;
    void DoDataExchange(CDataExchange* exchange) override { DDX_Control(exchange, 1002, text); }
    BOOL OnInitDialog() override
    {
        CPropertyPage::OnInitDialog();
        ++initCount;
        text.Post(WM_APP + 7);
        ::PostMessageA(GetParent(), PSM_PRESSBUTTON, PSBTN_OK, 0);
        return TRUE;
    }
};

TEST(PropertySheet, RunsItsOwnLoopAndRebuildsPagesEachShowing)
{
    Page page;
    CPropertySheet sheet("Sheet");
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    sheet.AddPage(&page);
    EXPECT_EQ(IDOK, sheet.DoModal());
    EXPECT_EQ(1, page.initCount);
    EXPECT_EQ(1, page.text.preTranslated);
    EXPECT_EQ(IDOK, sheet.DoModal());
    EXPECT_EQ(2, page.initCount);
    EXPECT_EQ(2, page.text.preTranslated);
}

unsigned __stdcall AddOne(void* parameter)
{
    return *static_cast<unsigned*>(parameter) + 1;
}

TEST(WorkerThread, RunsTheFunctionWithItsParameter)
{
    unsigned value = 41;
    UniqueKernelHandle thread = StartWorkerThread(&AddOne, &value, CREATE_SUSPENDED);
    ASSERT_TRUE(thread);
    ::ResumeThread(thread.Get());
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(thread.Get(), 5000));
    DWORD code = 0;
    ::GetExitCodeThread(thread.Get(), &code);
    EXPECT_EQ(42u, code);
}

}  // namespace
