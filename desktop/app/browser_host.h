// A child window that embeds the Windows Web Browser control: opens pages, posts the scan
// document to the results page and reports the control's events to its parent window as
// WM_NOTIFY messages carrying a BrowserNotify record.
#pragma once

#include "browser_notify.h"
#include "browser_site.h"
#include "com_ptr.h"
#include "wnd.h"

#include <exdisp.h>

#include <string>

class CBrowserHost;

// The control's own window: the keyboard focus that the dialog's Tab brings there goes on into
// the page, as a click into it would.
class CBrowserControlWindow : public CWnd {
public:
    explicit CBrowserControlWindow(CBrowserHost& host) : m_host(host) {}

    BEGIN_MSG_MAP(CBrowserControlWindow, CWnd)
    MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
    END_MSG_MAP()

private:
    LRESULT OnSetFocus(UINT message, WPARAM wParam, LPARAM lParam, BOOL&);

    CBrowserHost& m_host;
};

class CBrowserHost : public CWnd {
public:
    CBrowserHost() = default;
    ~CBrowserHost() override;

    // Creates the host window and the control in it, and waits (boundedly) for its blank page.
    // FALSE, with nothing left behind, when the control or its interfaces are not available. The
    // host is a control parent: a dialog's Tab goes into the control.
    BOOL Create(DWORD style, const RECT& rect, HWND parent, UINT id);
    // Replaces the dialog's placeholder control `id` by a host of the same place, id and place in
    // the tab order. The host is made larger than the placeholder and clipped back by a window
    // region until FitToClient.
    BOOL CreateFromControl(HWND dialog, int id);

    // Opens `url`, except downloads (addresses ending in "exe", "zip", "rar").
    void Navigate(const std::string& url);
    // Posts `document`'s bytes, exactly and without headers, to the service's results page.
    void PostDocument(const std::string& document);
    // Sizes the host to its own client area and removes its window region.
    void FitToClient();
    // Gives the page the keyboard focus, as a click into it does: the control becomes UI-active.
    void FocusPage();
    // Whether the control is UI-active (it has handed the host its active object).
    bool IsPageActive() const { return m_site && m_site->ActiveObject(); }

    IWebBrowser2* Browser() const { return m_browser.Get(); }

    // One per event of the control, in notification code order. Each default sends the event to
    // the parent window; OnBeforeNavigate2 cancels the navigation when the parent answers non-zero.
    virtual BOOL OnBeforeNavigate2(const char* url, const char* targetFrame, const BYTE* postData, LONG postDataLength,
                                   const char* headers);
    virtual void OnDocumentComplete(const char* url);
    virtual void OnDownloadBegin();
    virtual void OnProgressChange(LONG progress, LONG progressMax);
    virtual void OnDownloadComplete();
    virtual void OnNavigateComplete2(const char* url);
    virtual void OnStatusTextChange(const char* text);
    virtual void OnTitleChange(const char* text);

    // Keystrokes for the control's windows go to the control's active object first, as the
    // framework's hosting of controls does: in a page, Tab moves between the fields and Delete,
    // Enter and the clipboard keys work in text fields, before the dialog's keyboard navigation
    // could take them. TRUE when the control used the keystroke.
    BOOL PreTranslateMessage(MSG* msg) override;

    BEGIN_MSG_MAP(CBrowserHost, CWnd)
    MESSAGE_HANDLER(WM_SIZE, OnSize)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

private:
    friend class CBrowserSite;

    // Translates one DWebBrowserEvents2 call into the matching virtual method.
    void HandleBrowserEvent(DISPID id, const DISPPARAMS& parameters);
    bool IsTopLevel(const VARIANT& dispatch) const;
    LRESULT SendNotify(UINT code, BrowserNotify& record);
    BOOL CreateControl(const RECT& rect);
    void AttachControlWindow();
    void WaitForBlankPage();
    void ReleaseControl();

    LRESULT OnSize(UINT, WPARAM, LPARAM lParam, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled);

    CBrowserControlWindow m_controlWindow{*this};
    ComPtr<IWebBrowser2> m_browser;
    ComPtr<IDispatch> m_dispatch;
    ComPtr<IOleObject> m_oleObject;
    ComPtr<IConnectionPoint> m_events;
    DWORD m_eventsCookie = 0;
    ComPtr<CBrowserSite> m_site;
};
