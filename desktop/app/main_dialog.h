// The main window: a wide band with a painted header, the skinned buttons and the progress bar,
// over the embedded browser, which is shown (and the window grown) once a page has loaded.
#pragma once

#include "animated_picture.h"
#include "band_layout.h"
#include "bitmap.h"
#include "close_request_listener.h"
#include "dialog.h"
#include "download_redirect.h"
#include "options_sheet.h"
#include "resource_ids.h"
#include "result_browser.h"
#include "scan_run.h"
#include "skin_button.h"
#include "skin_progress.h"
#include "text_picture.h"
#include "unique_handle.h"

// Sent by the scan monitor, and handled before it goes on, once the scan document is ready.
const UINT WM_SCAN_DOCUMENT_READY = WM_USER + 5;
// Posted once an installer has asked the program to close (close_request.h).
const UINT WM_CLOSE_REQUESTED = WM_USER + 6;

struct ButtonFace;

class CMainDialog : public CDialog, private ScanRunView {
public:
    CMainDialog();

    BOOL OnInitDialog() override;

    BEGIN_MSG_MAP(CMainDialog, CDialog)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_QUERYDRAGICON, OnQueryDragIcon)
    MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(WM_SIZE, OnSize)
    MESSAGE_HANDLER(WM_SHOWWINDOW, OnShowWindow)
    MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
    MESSAGE_HANDLER(WM_SYSCOLORCHANGE, OnSysColorChange)
    MESSAGE_HANDLER(WM_SETTINGCHANGE, OnSettingChange)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    MESSAGE_HANDLER(WM_NCDESTROY, OnNcDestroy)
    MESSAGE_HANDLER(WM_QUERYENDSESSION, OnQueryEndSession)
    MESSAGE_HANDLER(WM_ENDSESSION, OnEndSession)
    NOTIFY_HANDLER(IDC_BROWSER, kNotifyDocumentComplete, OnPageLoaded)
    COMMAND_ID_HANDLER(IDOK, IgnoreCommand)
    COMMAND_ID_HANDLER(IDCANCEL, IgnoreCommand)
    COMMAND_HANDLER(IDC_CLOSE, BN_CLICKED, OnCloseButton)
    COMMAND_HANDLER(IDC_MINIMISE, BN_CLICKED, OnMinimiseButton)
    COMMAND_HANDLER(IDC_MAXIMISE, BN_CLICKED, OnMaximiseButton)
    COMMAND_HANDLER(IDC_HELP_PAGE, BN_CLICKED, OnHelpButton)
    COMMAND_HANDLER(IDC_ABOUT_PAGE, BN_CLICKED, OnAboutButton)
    COMMAND_HANDLER(IDC_DOWNLOADS, BN_CLICKED, OnDownloadsButton)
    COMMAND_HANDLER(IDC_SCAN, BN_CLICKED, OnScanButton)
    COMMAND_HANDLER(IDC_OPTIONS, BN_CLICKED, OnOptionsButton)
    MESSAGE_HANDLER(WM_SCAN_DOCUMENT_READY, OnScanDocumentReady)
    MESSAGE_HANDLER(WM_CLOSE_REQUESTED, OnCloseRequested)
    END_MSG_MAP()

protected:
    CResultBrowser m_browser;
    CSkinProgress m_progressBar;
    CSkinButton m_scanButton;
    CSkinButton m_optionsButton;
    CSkinButton m_closeButton;
    CSkinButton m_minimiseButton;
    CSkinButton m_aboutButton;
    CSkinButton m_helpButton;
    CSkinButton m_downloadsButton;

    DownloadDirectoryRedirect m_downloadRedirect;
    CAnimatedPicture m_busyAnimation;
    CTextPicture m_busyCaption;
    HICON m_icon = nullptr;
    CSkinButton m_maximiseButton;
    BYTE m_growing = FALSE;
    int m_savedHeight = 0;
    int m_savedWidth = 0;
    UniqueGdiObject<HBITMAP> m_header;
    UniqueGdiObject<HBITMAP> m_headerTile;
    UniqueGdiObject<HBITMAP> m_busyCaptionImage;
    int m_growTicks = 0;
    int m_growExtraHeight = 0;
    OptionsSheet m_options;
    // The band on this desktop's scale (measured when the window initialises).
    BandLayout m_band = LayoutBand(BandScale());
    // Last, so that they go first: their threads use the members above.
    ScanRun m_scanRun{*this};
    CloseRequestListener m_closeRequest;

    // Collapses the window to its header band (same position and width).
    void Collapse();

private:
    // The resource id of the band's copy of the 100 % image `id`.
    UINT BandImage(UINT id) const { return static_cast<UINT>(m_band.images.Id(static_cast<int>(id))); }
    void SetUpButtons();
    // The button's images, and the words they say (its name, and its text under high contrast).
    void SetFace(CSkinButton& button, const ButtonFace& face) const;
    // The band's image of the 100 % image `id` at its size on the band: the step's own, or between
    // steps a copy resized once, so that every painting only copies it.
    UniqueGdiObject<HBITMAP> LoadBandImage(UINT id) const;
    void SetBusyCaptionImage();
    void ShowPage(const char* path);
    void LayOutBandControls(const RECT& window);
    // The header under high contrast: the band's words on the system's button face.
    void PaintPlainHeader(HDC dc) const;
    // What follows the system's colours and high contrast setting.
    void FollowColours();

    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnQueryDragIcon(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEraseBackground(UINT message, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnShowWindow(UINT message, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnSetCursor(UINT, WPARAM wParam, LPARAM, BOOL& handled);
    LRESULT OnSysColorChange(UINT message, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnSettingChange(UINT, WPARAM wParam, LPARAM, BOOL& handled);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnNcDestroy(UINT, WPARAM, LPARAM, BOOL& handled);
    LRESULT OnQueryEndSession(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEndSession(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnCloseRequested(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPageLoaded(NMHDR* header);
    void IgnoreCommand() {}
    void OnCloseButton() { EndDialog(IDCANCEL); }
    void OnMinimiseButton();
    void OnMaximiseButton();
    void OnHelpButton();
    void OnAboutButton();
    void OnDownloadsButton();
    void OnScanButton();
    void OnOptionsButton() { m_options.Show(); }
    LRESULT OnScanDocumentReady(UINT, WPARAM, LPARAM, BOOL&);

    // What the scan monitor asks of this window, from its own thread.
    void ShowScanning() override;
    void ShowProgress(int percent) override;
    void ShowStopped() override;
    void HandOverDocument() override;
    void ShowFinished() override;
    void ShowStartImages();
};
