// Window objects: a C++ object bound to a window by subclassing, with a message map per class.
#pragma once

#include "accessible_object.h"
#include "com_ptr.h"

#include <windows.h>
#include <commctrl.h>
#include <olectl.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

// A message map is a chain of handler lists: each class lists the messages it handles and
// hands everything else to its base class; what no class handles gets the window's original
// (default) handling.
//
//   BEGIN_MSG_MAP(CMyDialog, CDialog)
//     MESSAGE_HANDLER(WM_TIMER, OnTimer)          // LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL& handled)
//     COMMAND_HANDLER(1001, BN_CLICKED, OnScan)   // void OnScan()
//     COMMAND_ID_HANDLER(IDOK, OnIgnore)          // void OnIgnore(), any notification code
//     NOTIFY_HANDLER(1000, 1, OnPageLoaded)       // LRESULT OnPageLoaded(NMHDR*)
//   END_MSG_MAP()
//
// A message handler that clears `handled` passes the message on down the chain.
#define BEGIN_MSG_MAP(theClass, baseClass)                                                                   \
public:                                                                                                      \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override \
    {                                                                                                        \
        typedef baseClass MessageMapBase;                                                                    \
        BOOL bHandled = TRUE;                                                                                \
        (void)bHandled;

#define MESSAGE_HANDLER(msg, func)                      \
    if (uMsg == (msg)) {                                \
        bHandled = TRUE;                                \
        lResult = func(uMsg, wParam, lParam, bHandled); \
        if (bHandled)                                   \
            return TRUE;                                \
    }

#define COMMAND_HANDLER(id, code, func)                                             \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) { \
        lResult = 0;                                                                \
        func();                                                                     \
        return TRUE;                                                                \
    }

#define COMMAND_ID_HANDLER(id, func)                    \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) { \
        lResult = 0;                                    \
        func();                                         \
        return TRUE;                                    \
    }

#define NOTIFY_HANDLER(id, notifyCode, func)                                               \
    if (uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->idFrom == (UINT_PTR)(id) && \
        reinterpret_cast<NMHDR*>(lParam)->code == (UINT)(notifyCode)) {                    \
        lResult = func(reinterpret_cast<NMHDR*>(lParam));                                  \
        return TRUE;                                                                       \
    }

#define END_MSG_MAP()                                                                 \
    return MessageMapBase::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult); \
    }

// Messages a parent reflects to the child they concern (OCM_DRAWITEM, OCM_CTLCOLORSTATIC, ...
// from <olectl.h>): the control object handles its own drawing and colours.

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }

    // The object bound to a window by SubclassWindow, or null.
    static CWnd* FromHandlePermanent(HWND window);

    BOOL SubclassWindow(HWND window);
    BOOL SubclassDlgItem(int id, HWND parent);
    HWND UnsubclassWindow();

    // Offers a message to every window object from the message's window up to `stop` (inclusive);
    // TRUE when one of them consumed it.
    static BOOL WalkPreTranslateTree(HWND stop, MSG* msg);

    virtual BOOL ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return FALSE; }
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

    // The window's original handling of a message.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Thin wrappers used by the controls and dialogs.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    void ModifyStyle(DWORD remove, DWORD add) const;
    std::string GetText() const;
    BOOL Invalidate(BOOL erase = TRUE) const { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    RECT ClientRect() const;
    RECT WindowRect() const;
    BOOL IsOwnedByCurrentThread() const;

    // Runs `work` on the thread that owns the window: at once there (or before the window
    // exists), else through a sent message, so that it never overlaps the window's own handling
    // of a message, such as a drawing.
    void RunOnOwnThread(const std::function<void()>& work);

    // Active Accessibility. A window whose words are pictures, or which draws itself, fills `facts`
    // with what a screen reader must read and returns true; WM_GETOBJECT for its client area is
    // then answered with the standard object so amended. The default tells the name given with
    // SetAccessibleName, when there is one.
    virtual bool GetAccessibleFacts(AccessibleFacts& facts) const;
    // The name assistive technology reads for the window; a change raises EVENT_OBJECT_NAMECHANGE.
    // Runs on the window's own thread.
    void SetAccessibleName(const std::string& name);
    const std::string& AccessibleName() const { return m_accessibleName; }
    // Raises the WinEvent `event` (EVENT_OBJECT_...) for the window's client object.
    void NotifyAccessible(DWORD event) const;

protected:
    // Called with m_hWnd set, before the window procedure is replaced.
    virtual void PreSubclassWindow() {}

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The answer to WM_GETOBJECT for the client area, or FALSE to leave it to the window.
    BOOL AnswerAccessibleObject(WPARAM wParam, LPARAM lParam, LRESULT& result);

    WNDPROC m_oldProc = nullptr;
    // RunOnOwnThread's work from another thread, while that thread waits for it.
    std::mutex m_waitingWorkLock;
    std::atomic<const std::function<void()>*> m_waitingWork{nullptr};
    std::string m_accessibleName;
    // Made at the first question and kept while the window is bound to this object.
    ComPtr<CAccessibleObject> m_accessible;
};
