#include "main_dialog.h"

#include "hand_cursor.h"
#include "high_contrast.h"
#include "memory_dc.h"
#include "restore_point.h"
#include "service_base_url.h"
#include "service_pages.h"
#include "stretch_image.h"
#include "win_app.h"
#include "window_dc.h"

#include <shellapi.h>

#include <string>
#include <utility>

namespace {

const UINT kGrowTimer = 1;
const UINT kGrowTimerPeriodMs = 5;
const COLORREF kBusyBackground = RGB(230, 230, 230);

// The window's title tells the state: the program's name at rest, otherwise what it does or shows
// before the name, as Windows' "document - program" titles do, so that a screen reader, which
// speaks a new title, says the state first. The percent of a scan stays out of it: a title that
// changed every second would be spoken every second.
const char kTitle[] = "Korvala 2007";
const char kScanningTitle[] = "Scanning - Korvala 2007";

const char* PageTitle(ServicePage page)
{
    switch (page) {
    case ServicePage::Results:
        return "Results - Korvala 2007";
    case ServicePage::Help:
        return "Help - Korvala 2007";
    case ServicePage::About:
        return "About - Korvala 2007";
    case ServicePage::RestorePoint:
    case ServicePage::Other:
        break;
    }
    return nullptr;
}

// What the pictures of the band say.
const char kProgressName[] = "Scan progress";
const char kBusyName[] = "Busy";
const char kBusyCaptionWords[] = "Processing scan data...";

// The header's words, which its picture shows, and where (pixels at 96 DPI).
const char kProductWords[] = "Korvala";
const char kTagline[] = "drivers and programs, up to date";
const POINT kProductWordsAt = {16, 10};
const int kProductWordsHeight = 30;
const POINT kTaglineAt = {150, 26};
const int kHeaderSplit = 56;

int Width(const RECT& rect)
{
    return rect.right - rect.left;
}
int Height(const RECT& rect)
{
    return rect.bottom - rect.top;
}

UniqueGdiObject<HBITMAP> LoadDibSection(UINT id)
{
    return UniqueGdiObject<HBITMAP>(static_cast<HBITMAP>(
        ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

// The band's scale for this dialog: its font's line and the screen's pixels per inch.
BandScale MeasureBandScale(HWND dialog)
{
    RECT lineHeight = {0, 0, 0, 8};
    ::MapDialogRect(dialog, &lineHeight);
    WindowDC dc(dialog);
    const int dpiX = dc ? ::GetDeviceCaps(dc.Get(), LOGPIXELSX) : 0;
    const int dpiY = dc ? ::GetDeviceCaps(dc.Get(), LOGPIXELSY) : 0;
    return BandScale::For(dpiX, dpiY, lineHeight.bottom);
}

}  // namespace

// What a band button shows: its images (normal and pressed) and what they say; for a window button
// the glyph that high contrast draws instead of words.
struct ButtonFace {
    UINT normal;
    UINT pressed;
    const char* words;
    CSkinButton::Glyph glyph;
};

namespace {

using Glyph = CSkinButton::Glyph;
const ButtonFace kStartFace = {IDB_START, IDB_START_PRESSED, "Start", Glyph::None};
const ButtonFace kStopFace = {IDB_STOP, IDB_STOP_PRESSED, "Stop", Glyph::None};
const ButtonFace kOptionsFace = {IDB_OPTIONS, IDB_OPTIONS_PRESSED, "Options", Glyph::None};
const ButtonFace kCloseFace = {IDB_CLOSE, IDB_CLOSE_PRESSED, "Close", Glyph::Close};
const ButtonFace kMinimiseFace = {IDB_MINIMISE, IDB_MINIMISE_PRESSED, "Minimize", Glyph::Minimise};
const ButtonFace kMaximiseFace = {IDB_MAXIMISE, IDB_MAXIMISE_PRESSED, "Maximize", Glyph::Maximise};
const ButtonFace kRestoreFace = {IDB_RESTORE, IDB_RESTORE_PRESSED, "Restore", Glyph::Restore};
const ButtonFace kAboutFace = {IDB_ABOUT, IDB_ABOUT_PRESSED, "About", Glyph::None};
const ButtonFace kHelpFace = {IDB_HELP, IDB_HELP_PRESSED, "Help", Glyph::None};
const ButtonFace kDownloadsFace = {IDB_DOWNLOADS, IDB_DOWNLOADS_PRESSED, "My Downloads", Glyph::None};

}  // namespace

CMainDialog::CMainDialog() : CDialog(IDD_MAIN), m_icon(::LoadIconA(ResourceInstance(), MAKEINTRESOURCEA(IDI_MAIN))) {}

BOOL CMainDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_band = LayoutBand(MeasureBandScale(m_hWnd));
    // The header's images depend on the band's scale, which the dialog's font and the screen set.
    m_header = LoadBandImage(IDB_HEADER);
    m_headerTile = LoadBandImage(IDB_HEADER_TILE);
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    m_browser.CreateFromControl(m_hWnd, IDC_BROWSER);
    m_progressBar.SubclassDlgItem(IDC_PROGRESS, m_hWnd);
    m_progressBar.SetBitmap(BandImage(IDB_PROGRESS_FILL), TRUE);
    m_progressBar.SetAccessibleName(kProgressName);
    SetUpButtons();
    m_busyAnimation.SubclassDlgItem(IDC_BUSY_ANIMATION, m_hWnd);
    m_busyAnimation.LoadFromResource(MAKEINTRESOURCEA(BandImage(IDR_BUSY_GIF)), "GIF");
    m_busyAnimation.SetAccessibleName(kBusyName);
    FollowColours();
    ::ShowWindow(m_busyAnimation, SW_HIDE);
    m_busyCaption.SubclassDlgItem(IDC_BUSY_CAPTION, m_hWnd);
    m_busyCaption.SetAccessibleName(kBusyCaptionWords);
    SetBusyCaptionImage();
    ::ShowWindow(m_busyCaption, SW_HIDE);
    if (m_browser.m_hWnd) {
        ::ShowWindow(m_browser, SW_HIDE);
    }
    LayOutBandControls(WindowRect());
    m_downloadRedirect.Redirect();
    m_closeRequest.Listen(m_hWnd, WM_CLOSE_REQUESTED);
    // The keyboard starts at the program's main action.
    ::SetFocus(m_scanButton);
    return FALSE;
}

void CMainDialog::SetUpButtons()
{
    struct Binding {
        CSkinButton& button;
        int id;
        const ButtonFace& face;
    } bindings[] = {
        {m_scanButton, IDC_SCAN, kStartFace},
        {m_optionsButton, IDC_OPTIONS, kOptionsFace},
        {m_closeButton, IDC_CLOSE, kCloseFace},
        {m_minimiseButton, IDC_MINIMISE, kMinimiseFace},
        {m_aboutButton, IDC_ABOUT_PAGE, kAboutFace},
        {m_helpButton, IDC_HELP_PAGE, kHelpFace},
        {m_downloadsButton, IDC_DOWNLOADS, kDownloadsFace},
        {m_maximiseButton, IDC_MAXIMISE, kMaximiseFace},
    };
    for (Binding& binding : bindings) {
        binding.button.SubclassDlgItem(binding.id, m_hWnd);
        SetFace(binding.button, binding.face);
    }
}

void CMainDialog::SetFace(CSkinButton& button, const ButtonFace& face) const
{
    // Drawn at their own size, which is the button's, on a band of an image step's scale;
    // stretched over the button between steps.
    const short drawMode = m_band.ImagesStretched() ? 1 : 0;
    button.SetBitmaps(BandImage(face.normal), BandImage(face.pressed), 0, 0, 0, 0, drawMode, 0, 4);
    button.SetWords(face.words, face.glyph);
}

UniqueGdiObject<HBITMAP> CMainDialog::LoadBandImage(UINT id) const
{
    UniqueGdiObject<HBITMAP> image = LoadDibSection(BandImage(id));
    BITMAP size = {};
    if (!image || !m_band.ImagesStretched() || !::GetObjectA(image.Get(), sizeof(size), &size)) {
        return image;
    }
    UniqueGdiObject<HBITMAP> resized(ResizedCopy(image.Get(), m_band.scale.FromStep(size.bmWidth, m_band.images),
                                                 m_band.scale.FromStep(size.bmHeight, m_band.images)));
    return resized ? std::move(resized) : std::move(image);
}

// The template's image, which the control hands back, is nobody else's: it goes.
void CMainDialog::SetBusyCaptionImage()
{
    m_busyCaptionImage = LoadBandImage(IDB_BUSY_CAPTION);
    if (!m_busyCaptionImage) {
        return;
    }
    HBITMAP image = m_busyCaptionImage.Get();
    UniqueGdiObject<HBITMAP> previous(reinterpret_cast<HBITMAP>(
        ::SendMessageA(m_busyCaption, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image))));
    if (previous.Get() == image) {
        previous.Detach();
    }
}

void CMainDialog::Collapse()
{
    const RECT window = WindowRect();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, Width(window), m_band.collapsedHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CMainDialog::OnPaint(UINT, WPARAM, LPARAM, BOOL& handled)
{
    if (!::IsIconic(m_hWnd)) {
        handled = FALSE;
        return 0;
    }
    PaintDC dc(m_hWnd);
    Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()));
    const RECT client = ClientRect();
    ::DrawIcon(dc.Get(), (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2,
               (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2, m_icon);
    return 0;
}

LRESULT CMainDialog::OnQueryDragIcon(UINT, WPARAM, LPARAM, BOOL&)
{
    return reinterpret_cast<LRESULT>(m_icon);
}

LRESULT CMainDialog::OnEraseBackground(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    HDC dc = reinterpret_cast<HDC>(wParam);
    if (HighContrastOn()) {
        PaintPlainHeader(dc);
        return TRUE;
    }
    LRESULT erased = DefaultProc(message, wParam, lParam);
    MemoryDC memory(dc);
    ScopedSelection headerSelected(memory.Get(), m_header.Get());
    if (!headerSelected) {
        ::RedrawWindow(m_closeButton, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return erased;
    }
    BITMAP header = {};
    ::GetObjectA(m_header.Get(), sizeof(header), &header);
    ::BitBlt(dc, 0, 0, header.bmWidth, header.bmHeight, memory.Get(), 0, 0, SRCCOPY);
    headerSelected.Restore();
    ScopedSelection tileSelected(memory.Get(), m_headerTile.Get());
    if (tileSelected) {
        BITMAP tile = {};
        ::GetObjectA(m_headerTile.Get(), sizeof(tile), &tile);
        const int windowWidth = Width(WindowRect());
        for (int x = header.bmWidth; x < windowWidth; ++x) {
            ::BitBlt(dc, x, 0, 1, tile.bmHeight, memory.Get(), 0, 0, SRCCOPY);
        }
    }
    return TRUE;
}

void CMainDialog::PaintPlainHeader(HDC dc) const
{
    const RECT client = ClientRect();
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    const BandScale& scale = m_band.scale;
    const RECT split = {client.left, scale.ApplyDown(kHeaderSplit), client.right, scale.ApplyDown(kHeaderSplit) + 1};
    ::FillRect(dc, &split, ::GetSysColorBrush(COLOR_BTNTEXT));

    HFONT dialogFont = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    LOGFONTA large = {};
    UniqueGdiObject<HFONT> productFont;
    if (dialogFont && ::GetObjectA(dialogFont, sizeof(large), &large)) {
        large.lfHeight = -scale.Apply(kProductWordsHeight);
        large.lfWidth = 0;
        large.lfWeight = FW_BOLD;
        productFont.Attach(::CreateFontIndirectA(&large));
    }
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    {
        ScopedSelection font(dc, productFont ? productFont.Get() : dialogFont);
        ::TextOutA(dc, scale.ApplyDown(kProductWordsAt.x), scale.ApplyDown(kProductWordsAt.y), kProductWords,
                   static_cast<int>(sizeof(kProductWords) - 1));
    }
    ScopedSelection font(dc, dialogFont);
    ::TextOutA(dc, scale.ApplyDown(kTaglineAt.x), scale.ApplyDown(kTaglineAt.y), kTagline,
               static_cast<int>(sizeof(kTagline) - 1));
}

void CMainDialog::FollowColours()
{
    m_busyAnimation.SetBackground(HighContrastOn() ? ::GetSysColor(COLOR_BTNFACE) : kBusyBackground);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

// The common controls keep colours of their own: they hear of the change from their top window.
LRESULT CMainDialog::OnSysColorChange(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageA(child, message, wParam, lParam);
    }
    FollowColours();
    return 0;
}

LRESULT CMainDialog::OnSettingChange(UINT, WPARAM wParam, LPARAM, BOOL& handled)
{
    if (wParam == SPI_SETHIGHCONTRAST) {
        FollowColours();
    }
    handled = FALSE;
    return 0;
}

LRESULT CMainDialog::OnTimer(UINT, WPARAM, LPARAM, BOOL&)
{
    if (m_growTicks == BandLayout::kGrowSteps) {
        ::UpdateWindow(m_hWnd);
        m_growing = FALSE;
        ::KillTimer(m_hWnd, kGrowTimer);
        m_growTicks = 0;
        m_growExtraHeight = 0;
        return 0;
    }
    const RECT window = WindowRect();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, Width(window), m_band.collapsedHeight + m_growExtraHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_growExtraHeight += m_band.growStepHeight;
    ++m_growTicks;
    ::UpdateWindow(m_hWnd);
    return 0;
}

LRESULT CMainDialog::OnSize(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    RECT window = WindowRect();
    if (m_growing && Width(window) == m_savedWidth) {
        m_savedHeight = Height(window);
        return 0;
    }
    bool maximised = wParam == SIZE_MAXIMIZED;
    if (wParam == SIZE_RESTORED) {
        SetFace(m_maximiseButton, kMaximiseFace);
        maximised = ::IsZoomed(m_hWnd) != FALSE;
    }
    if (maximised) {
        RECT desktop;
        ::GetWindowRect(::GetDesktopWindow(), &desktop);
        ::MoveWindow(m_hWnd, 0, 0, Width(desktop), m_savedHeight + m_band.maximisedExtraHeight, TRUE);
        SetFace(m_maximiseButton, kRestoreFace);
        window = WindowRect();
        m_savedWidth = Width(window);
    } else if (wParam != SIZE_MINIMIZED) {
        m_savedHeight = Height(window);
        m_savedWidth = Width(window);
    }
    LayOutBandControls(window);
    if (m_browser.m_hWnd) {
        RECT browser = m_browser.WindowRect();
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&browser), 2);
        ::MoveWindow(m_browser, 0, browser.top, Width(window) - ::GetSystemMetrics(SM_CXVSCROLL) + 5, Height(browser),
                     TRUE);
        m_browser.FitToClient();
    }
    Invalidate(TRUE);
    return 0;
}

// Every control of the band at its place and size on the band's scale; those that move with the
// window's right edge at their distance from it.
void CMainDialog::LayOutBandControls(const RECT& window)
{
    for (const BandControl& control : m_band.controls) {
        HWND child = GetDlgItem(control.id);
        if (!child) {
            continue;
        }
        RECT rect;
        ::GetWindowRect(child, &rect);
        POINT topLeft = {control.left, control.top};
        if (control.MovesWithRightEdge()) {
            POINT edge = {window.right - control.rightOffset, window.top};
            ::ScreenToClient(m_hWnd, &edge);
            topLeft.x = edge.x;
        }
        ::MoveWindow(child, topLeft.x, topLeft.y, control.width ? control.width : Width(rect),
                     control.height ? control.height : Height(rect), FALSE);
    }
}

LRESULT CMainDialog::OnShowWindow(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    LRESULT result = DefaultProc(message, wParam, lParam);
    if (wParam) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, m_band.width, m_band.collapsedHeight,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return result;
}

LRESULT CMainDialog::OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    LRESULT result = DefaultProc(message, wParam, lParam);
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        OnCloseButton();
    }
    return result;
}

LRESULT CMainDialog::OnSetCursor(UINT, WPARAM wParam, LPARAM, BOOL& handled)
{
    if (SetHandCursorOverLinkButton(reinterpret_cast<HWND>(wParam))) {
        return TRUE;
    }
    handled = FALSE;
    return 0;
}

LRESULT CMainDialog::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled)
{
    // The scan threads use this window's controls and fields: they end while both still exist.
    m_scanRun.StopAndWait();
    m_closeRequest.Stop();
    handled = FALSE;
    return 0;
}

LRESULT CMainDialog::OnNcDestroy(UINT, WPARAM, LPARAM, BOOL& handled)
{
    m_downloadRedirect.Undo();
    handled = FALSE;
    return 0;
}

// Logging off or shutting down ends the program without WM_NCDESTROY: the user's download folder
// comes back as soon as the session may end, and the redirect is made again if it does not.
LRESULT CMainDialog::OnQueryEndSession(UINT, WPARAM, LPARAM, BOOL&)
{
    m_downloadRedirect.Undo();
    return TRUE;
}

// The Restart Manager (an installation that needs the program's files, on Windows Vista and later)
// asks the program to close with ENDSESSION_CLOSEAPP: the session goes on, so the program ends as
// through its close button instead of waiting to be ended.
LRESULT CMainDialog::OnEndSession(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    if (!wParam) {
        m_downloadRedirect.Redirect();
    } else if (lParam & ENDSESSION_CLOSEAPP) {
        OnCloseButton();
    } else {
        m_downloadRedirect.Undo();
    }
    return 0;
}

// As the user's close: with the options sheet open the program ends once the sheet is closed.
LRESULT CMainDialog::OnCloseRequested(UINT, WPARAM, LPARAM, BOOL&)
{
    OnCloseButton();
    return 0;
}

LRESULT CMainDialog::OnPageLoaded(NMHDR* header)
{
    const auto* record = reinterpret_cast<const BrowserNotify*>(header);
    const ServicePage page = ClassifyLoadedPage(ServiceBaseUrl(), record->url ? record->url : "");
    switch (page) {
    case ServicePage::Results:
    case ServicePage::Help:
    case ServicePage::About:
        ::ShowWindow(m_browser, SW_SHOW);
        ::SetTimer(m_hWnd, kGrowTimer, kGrowTimerPeriodMs, nullptr);
        ::ShowWindow(m_busyAnimation, SW_HIDE);
        if (page == ServicePage::Results) {
            ::ShowWindow(m_busyCaption, SW_HIDE);
        }
        m_busyAnimation.StopAnimation();
        // A running scan names the window until its results come.
        if (page == ServicePage::Results || !m_scanRun.Running()) {
            ::SetWindowTextA(m_hWnd, PageTitle(page));
        }
        // The page the user waited for takes the keyboard, unless another window (the options
        // sheet) has it meanwhile.
        if (::GetActiveWindow() == m_hWnd) {
            m_browser.FocusPage();
        }
        break;
    case ServicePage::RestorePoint:
        RunRestorePointAction(m_hWnd);
        break;
    case ServicePage::Other:
        break;
    }
    m_browser.FitToClient();
    return 0;
}

void CMainDialog::OnMinimiseButton()
{
    Send(WM_SYSCOMMAND, SC_MINIMIZE);
}

void CMainDialog::OnMaximiseButton()
{
    Send(WM_SYSCOMMAND, ::IsZoomed(m_hWnd) ? SC_RESTORE : SC_MAXIMIZE);
}

void CMainDialog::ShowPage(const char* path)
{
    m_growing = TRUE;
    Collapse();
    ::ShowWindow(m_busyAnimation, SW_SHOW);
    m_busyAnimation.StartAnimation();
    m_browser.Navigate(std::string(ServiceBaseUrl()) + path);
}

void CMainDialog::OnHelpButton()
{
    ShowPage(kHelpPath);
}

void CMainDialog::OnAboutButton()
{
    ShowPage(kAboutPath);
}

void CMainDialog::OnDownloadsButton()
{
    const std::string folder = std::string("\"") + kKorvalaDownloadFolder + "\"";
    ::ShellExecuteA(nullptr, "open", folder.c_str(), nullptr, "C:\\", SW_SHOW);
}

void CMainDialog::OnScanButton()
{
    if (m_scanRun.Running()) {
        m_scanRun.Stop();
        return;
    }
    m_scanRun.Start();
    Collapse();
}

LRESULT CMainDialog::OnScanDocumentReady(UINT, WPARAM, LPARAM, BOOL&)
{
    m_growing = TRUE;
    m_browser.PostDocument(m_scanRun.Document());
    ::ShowWindow(m_busyAnimation, SW_SHOW);
    ::ShowWindow(m_busyCaption, SW_SHOW);
    m_busyAnimation.StartAnimation();
    return 1;
}

void CMainDialog::ShowScanning()
{
    ::SetWindowTextA(m_hWnd, kScanningTitle);
    SetFace(m_scanButton, kStopFace);
    ::InvalidateRect(m_scanButton, nullptr, FALSE);
    ::EnableWindow(m_optionsButton, FALSE);
    m_progressBar.SetRange(0, 100);
}

void CMainDialog::ShowProgress(int percent)
{
    m_progressBar.SetPos(percent);
}

void CMainDialog::ShowStartImages()
{
    SetFace(m_scanButton, kStartFace);
    ::InvalidateRect(m_scanButton, nullptr, FALSE);
}

void CMainDialog::ShowStopped()
{
    ::SetWindowTextA(m_hWnd, kTitle);
    ShowStartImages();
    m_progressBar.SetPos(0);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    ::EnableWindow(m_optionsButton, TRUE);
}

void CMainDialog::HandOverDocument()
{
    ::SendMessageA(m_hWnd, WM_SCAN_DOCUMENT_READY, 0, 0);
}

void CMainDialog::ShowFinished()
{
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    ShowStartImages();
    ::EnableWindow(m_optionsButton, TRUE);
}
