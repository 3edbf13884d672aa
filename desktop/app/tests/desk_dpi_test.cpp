// korvala-desk on a desktop of 96, 120, 144, 168 or 192 DPI: desk_dpi_test.sh sets Wine's
// LogPixels in a prefix of its own and runs this program once per setting, naming the setting in
// KORVALA_EXPECTED_DPI. At 96 DPI the band is exactly as always; on the larger scales it grows with
// the desktop and shows the images drawn for that scale (125, 150 and 200 %) at their own size, or
// at 168 DPI (175 %) the 200 % images shrunk to it: every image whole, no control over another.
// This program carries the program's own resources, to compare the screen with, and runs the main
// window and its options sheet in its own process too, where the fonts the controls draw their
// text with can be measured.
#include "band_layout.h"
#include "desk_program.h"
#include "environment_text.h"
#include "main_dialog.h"
#include "resource_ids.h"
#include "stretch_image.h"
#include "win_app.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

const COLORREF kBandGrey = RGB(230, 230, 230);
const DWORD kPaintTimeoutMs = 10000;
// The skinned buttons draw their focus rectangle this many pixels in from their edges.
const int kFocusInset = 4;

struct Desktop {
    int dpi;
    int imageStep;  // 0 to 3: the images drawn for 100, 125, 150 or 200 %
    int width, height;
    int closeOffset, scanOffset, downloadsOffset;
};
const Desktop kDesktops[] = {
    {96, 0, 800, 128, 30, 248, 282},   {120, 1, 1000, 160, 38, 310, 353}, {144, 2, 1200, 192, 45, 372, 423},
    {168, 3, 1400, 224, 53, 434, 494}, {192, 3, 1600, 256, 60, 496, 564},
};

// Where every control of the band has always been at 96 DPI, in client pixels.
const struct {
    int id;
    POINT place;
} kPlacesAt96[] = {
    {IDC_SCAN, {549, 65}},           {IDC_PROGRESS, {612, 68}},     {IDC_OPTIONS, {482, 65}},
    {IDC_CLOSE, {767, 3}},           {IDC_MINIMISE, {707, 3}},      {IDC_MAXIMISE, {737, 3}},
    {IDC_HELP_PAGE, {659, 10}},      {IDC_ABOUT_PAGE, {618, 10}},   {IDC_DOWNLOADS, {515, 10}},
    {IDC_BUSY_ANIMATION, {604, 86}}, {IDC_BUSY_CAPTION, {628, 89}},
};

// The buttons of the band and the image each shows at start.
const struct {
    int id;
    int image;
} kButtonImages[] = {
    {IDC_SCAN, IDB_START},        {IDC_OPTIONS, IDB_OPTIONS},     {IDC_CLOSE, IDB_CLOSE},
    {IDC_MINIMISE, IDB_MINIMISE}, {IDC_MAXIMISE, IDB_MAXIMISE},   {IDC_HELP_PAGE, IDB_HELP},
    {IDC_ABOUT_PAGE, IDB_ABOUT},  {IDC_DOWNLOADS, IDB_DOWNLOADS},
};

const Desktop* ExpectedDesktop()
{
    const std::string value = EnvironmentText("KORVALA_EXPECTED_DPI");
    for (const Desktop& desktop : kDesktops) {
        if (std::to_string(desktop.dpi) == value) {
            return &desktop;
        }
    }
    return nullptr;
}

RECT ScreenClientRect(HWND window)
{
    RECT client;
    ::GetClientRect(window, &client);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Pixels in 32-bit rows, top row first: of an area of the screen as the user sees it, or of one
// of this program's bitmaps (empty when it has none of that id).
class Pixels {
public:
    struct Resource {
        int id;
    };

    Pixels(int width, int height) { Allocate(width, height); }
    explicit Pixels(const RECT& screenArea)
    {
        Allocate(screenArea.right - screenArea.left, screenArea.bottom - screenArea.top);
        HDC screen = ::GetDC(nullptr);
        ::BitBlt(m_dc, 0, 0, m_width, m_height, screen, screenArea.left, screenArea.top, SRCCOPY);
        ::ReleaseDC(nullptr, screen);
    }
    explicit Pixels(Resource image)
    {
        HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(image.id),
                                                           IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        BITMAP size = {};
        ::GetObjectA(bitmap, sizeof(size), &size);
        Allocate(size.bmWidth, size.bmHeight);
        HDC source = ::CreateCompatibleDC(nullptr);
        HGDIOBJ previous = ::SelectObject(source, bitmap);
        ::BitBlt(m_dc, 0, 0, m_width, m_height, source, 0, 0, SRCCOPY);
        ::SelectObject(source, previous);
        ::DeleteDC(source);
        ::DeleteObject(bitmap);
    }
    ~Pixels()
    {
        ::SelectObject(m_dc, m_previous);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    HDC Dc() const { return m_dc; }
    COLORREF At(int x, int y) const
    {
        const DWORD pixel = m_bits[static_cast<size_t>(y) * m_width + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }

private:
    void Allocate(int width, int height)
    {
        m_width = width;
        m_height = height;
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        m_dc = ::CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<const DWORD*>(bits);
        m_previous = ::SelectObject(m_dc, m_bitmap);
    }

    int m_width = 0;
    int m_height = 0;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    const DWORD* m_bits = nullptr;
};

// The pixels of the screen at `at` that differ from `image`, over width x height pixels from the
// image's top-left corner. With a focus inset, the outline of the rectangle that far in is left
// out: a skinned button with the keyboard focus draws its focus rectangle there.
int Differences(const Pixels& screen, POINT at, const Pixels& image, int width, int height, int focusInset = 0)
{
    const RECT focus = {focusInset, focusInset, width - 1 - focusInset, height - 1 - focusInset};
    int differences = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool onFocusRectangle = focusInset > 0 && x >= focus.left && x <= focus.right && y >= focus.top &&
                                          y <= focus.bottom &&
                                          (x == focus.left || x == focus.right || y == focus.top || y == focus.bottom);
            differences += !onFocusRectangle && screen.At(at.x + x, at.y + y) != image.At(x, y) ? 1 : 0;
        }
    }
    return differences;
}

// Waits until `check`, which reads the screen anew, returns 0; returns its last result.
int SettlesAtZero(const std::function<int()>& check)
{
    const DWORD start = ::GetTickCount();
    int result = check();
    while (result != 0 && ::GetTickCount() - start < kPaintTimeoutMs) {
        ::Sleep(50);
        result = check();
    }
    return result;
}

// The points of a frame of the busy picture that differ from the band's grey: its ring of dots,
// which every frame draws, lit or not.
std::vector<POINT> BusyRing(int id)
{
    std::vector<POINT> ring;
    HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(id), "GIF");
    const DWORD size = found ? ::SizeofResource(nullptr, found) : 0;
    const void* data = found ? ::LockResource(::LoadResource(nullptr, found)) : nullptr;
    HGLOBAL copy = data ? ::GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
    if (!copy) {
        return ring;
    }
    memcpy(::GlobalLock(copy), data, size);
    ::GlobalUnlock(copy);
    IStream* stream = nullptr;
    IPicture* picture = nullptr;
    if (SUCCEEDED(::CreateStreamOnHGlobal(copy, TRUE, &stream)) &&
        SUCCEEDED(::OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture,
                                   reinterpret_cast<void**>(&picture)))) {
        OLE_XSIZE_HIMETRIC width = 0;
        OLE_YSIZE_HIMETRIC height = 0;
        picture->get_Width(&width);
        picture->get_Height(&height);
        HDC screen = ::GetDC(nullptr);
        const int side = ::MulDiv(width, ::GetDeviceCaps(screen, LOGPIXELSX), 2540);
        ::ReleaseDC(nullptr, screen);
        Pixels frame(side, side);
        picture->Render(frame.Dc(), 0, 0, side, side, 0, height, width, -height, nullptr);
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                if (frame.At(x, y) != kBandGrey) {
                    ring.push_back(POINT{x, y});
                }
            }
        }
        picture->Release();
    }
    if (stream) {
        stream->Release();
    } else {
        ::GlobalFree(copy);
    }
    return ring;
}

class DeskDpiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        desktop = ExpectedDesktop();
        ASSERT_NE(desktop, nullptr) << "KORVALA_EXPECTED_DPI names none of 96, 120, 144, 168, 192";
        HDC screen = ::GetDC(nullptr);
        const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        ASSERT_EQ(dpi, desktop->dpi) << "Wine did not take the prefix's LogPixels setting";
    }
    int StepImage(int id) const { return IMAGE_AT_STEP(id, desktop->imageStep); }
    // A bitmap of the desktop's image step as the band shows it: at its own size on the step's
    // scale, shrunk or grown between steps.
    int OnBand(int pixels) const
    {
        const BandScale scale = BandScale::For(desktop->dpi, desktop->dpi, 0);
        return scale.FromStep(pixels, scale.NearestImageStep());
    }

    const Desktop* desktop = nullptr;
};

TEST_F(DeskDpiTest, TheBandShowsEveryImageWholeAtItsScale)
{
    DeskProgram program("korvala-desk.exe", desktop->width);
    ASSERT_NE(program.window, nullptr) << "no band " << desktop->width << " pixels wide";
    const HWND window = program.window;
    const RECT rect = WindowRect(window);
    EXPECT_EQ(rect.bottom - rect.top, desktop->height);
    const struct {
        int id;
        int offset;
    } rightAligned[] = {
        {IDC_CLOSE, desktop->closeOffset}, {IDC_SCAN, desktop->scanOffset}, {IDC_DOWNLOADS, desktop->downloadsOffset}};
    for (const auto& control : rightAligned) {
        EXPECT_EQ(WindowRect(::GetDlgItem(window, control.id)).left, rect.right - control.offset) << control.id;
    }
    const RECT band = ScreenClientRect(window);
    if (desktop->dpi == 96) {
        for (const auto& control : kPlacesAt96) {
            const RECT now = WindowRect(::GetDlgItem(window, control.id));
            EXPECT_EQ(now.left - band.left, control.place.x) << control.id;
            EXPECT_EQ(now.top - band.top, control.place.y) << control.id;
        }
    }
    std::vector<RECT> controls;
    for (const auto& control : kPlacesAt96) {
        const RECT place = WindowRect(::GetDlgItem(window, control.id));
        EXPECT_TRUE(Inside(place, band)) << control.id;
        for (const RECT& other : controls) {
            RECT common;
            EXPECT_FALSE(::IntersectRect(&common, &place, &other)) << control.id << " lies over another control";
        }
        controls.push_back(place);
    }

    // Each button as large as the image of the desktop's scale and showing all of it; the header
    // where no control covers it.
    for (const auto& button : kButtonImages) {
        const Pixels image(Pixels::Resource{StepImage(button.image)});
        const Pixels shown(OnBand(image.Width()), OnBand(image.Height()));
        DrawImage(shown.Dc(), 0, 0, shown.Width(), shown.Height(), image.Dc(), image.Width(), image.Height());
        const RECT place = WindowRect(::GetDlgItem(window, button.id));
        ASSERT_EQ(place.right - place.left, shown.Width()) << button.id;
        ASSERT_EQ(place.bottom - place.top, shown.Height()) << button.id;
        const int differences = SettlesAtZero([&] {
            return Differences(Pixels(place), POINT{0, 0}, shown, shown.Width(), shown.Height(), kFocusInset);
        });
        EXPECT_EQ(differences, 0) << "pixels of button " << button.id << " that its image does not show";
    }
    const Pixels header(Pixels::Resource{StepImage(IDB_HEADER)});
    const Pixels headerShown(OnBand(header.Width()), OnBand(header.Height()));
    DrawImage(headerShown.Dc(), 0, 0, headerShown.Width(), headerShown.Height(), header.Dc(), header.Width(),
              header.Height());
    const int uncovered = WindowRect(::GetDlgItem(window, IDC_OPTIONS)).left - band.left;
    const int headerHeight = std::min<int>(headerShown.Height(), band.bottom - band.top);
    const int headerDifferences = SettlesAtZero([&] {
        return Differences(Pixels(band), POINT{0, 0}, headerShown, uncovered, headerHeight);
    });
    EXPECT_EQ(headerDifferences, 0) << "pixels of the header that its image does not show";

    // Help shows the busy picture until the page has loaded, which Wine's browser never does.
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_HELP_PAGE, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, IDC_HELP_PAGE)));
    const HWND busy = ::GetDlgItem(window, IDC_BUSY_ANIMATION);
    for (int i = 0; i < 100 && !::IsWindowVisible(busy); ++i) {
        ::Sleep(50);
    }
    ASSERT_TRUE(::IsWindowVisible(busy));
    const std::vector<POINT> ring = BusyRing(StepImage(IDR_BUSY_GIF));
    ASSERT_FALSE(ring.empty());
    const RECT picture = WindowRect(busy);
    const int missing = SettlesAtZero([&] {
        const Pixels pixels(band);
        int notShown = 0;
        for (const POINT& point : ring) {
            const POINT at = {picture.left + point.x, picture.top + point.y};
            notShown += ::PtInRect(&band, at) && pixels.At(at.x - band.left, at.y - band.top) != kBandGrey ? 0 : 1;
        }
        return notShown;
    });
    EXPECT_EQ(missing, 0) << "points of the busy picture's ring not shown in the band";
    // The header covers the whole band: its light grey part down to the band's last row.
    const Pixels pixels(band);
    EXPECT_EQ(pixels.At(2, band.bottom - band.top - 1), kBandGrey);

    ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForEnd(), 0);
}

// What `control` needs beside its text's width to show the text whole, or -1 when it shows no
// text of its own on one line (a picture, an edit field, a frame, text that wraps).
int TextMargin(HWND control, const RECT& client, const SIZE& text)
{
    char className[32] = {};
    ::GetClassNameA(control, className, sizeof(className));
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(control, GWL_STYLE));
    if (lstrcmpiA(className, "Static") == 0) {
        const DWORD kind = style & SS_TYPEMASK;
        const bool oneLine = client.bottom < 2 * text.cy;
        return (kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT) && oneLine ? 0 : -1;
    }
    if (lstrcmpiA(className, "Button") != 0) {
        return -1;
    }
    switch (style & BS_TYPEMASK) {
    case BS_OWNERDRAW:
        // The skinned button's text rectangle: 2 pixels inside its focus rectangle on each side.
        return 2 * (kFocusInset + 2);
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        return 2 * ::GetSystemMetrics(SM_CXEDGE);
    case BS_AUTORADIOBUTTON:
    case BS_RADIOBUTTON:
    case BS_AUTOCHECKBOX:
    case BS_CHECKBOX:
        return ::GetSystemMetrics(SM_CXMENUCHECK);
    default:
        return -1;
    }
}

// Every control among the children of `parent` that shows text: the text's extent in the
// control's own font, with the room it needs beside it, within the control's client width.
void ExpectEveryTextFits(HWND parent, const char* where)
{
    int measured = 0;
    for (HWND control = ::GetWindow(parent, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        char text[256] = {};
        const int length = ::GetWindowTextA(control, text, sizeof(text));
        if (length == 0) {
            continue;
        }
        HDC dc = ::GetDC(control);
        HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
        SIZE extent = {};
        ::GetTextExtentPoint32A(dc, text, length, &extent);
        ::SelectObject(dc, previous);
        ::ReleaseDC(control, dc);
        RECT client;
        ::GetClientRect(control, &client);
        const int margin = TextMargin(control, client, extent);
        if (margin < 0) {
            continue;
        }
        ++measured;
        EXPECT_LE(extent.cx + margin, client.right)
            << where << ": \"" << text << "\" (control " << ::GetDlgCtrlID(control) << ") is cut";
    }
    EXPECT_GT(measured, 0) << where;
}

std::function<void(HWND)> g_shownBody;
const char* g_shownTitle = nullptr;

// A thread timer's procedure: runs g_shownBody once on the first visible window of this process
// with the title g_shownTitle.
void CALLBACK RunOnceShown(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND window = ::FindWindowA(nullptr, g_shownTitle);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (!window || owner != ::GetCurrentProcessId() || !::IsWindowVisible(window)) {
        return;
    }
    ::KillTimer(nullptr, timer);
    g_shownBody(window);
}

void RunWhenShown(const char* title, const std::function<void(HWND)>& body)
{
    g_shownTitle = title;
    g_shownBody = body;
    ::SetTimer(nullptr, 0, 20, &RunOnceShown);
}

TEST_F(DeskDpiTest, EveryTextFitsItsControl)
{
    ::OleInitialize(nullptr);
    CWinApp app;
    CMainDialog dialog;
    app.m_pMainWnd = &dialog;
    bool sheetChecked = false;
    RunWhenShown("Korvala 2007", [&](HWND band) {
        ExpectEveryTextFits(band, "band");
        RunWhenShown("Korvala 2007 Options", [&](HWND sheet) {
            for (int page = 0; page < 3; ++page) {
                ::SendMessageA(sheet, PSM_SETCURSEL, page, 0);
                const HWND shown = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
                ExpectEveryTextFits(shown, ("options page " + std::to_string(page)).c_str());
            }
            sheetChecked = true;
            ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        });
        ::SendMessageA(band, WM_COMMAND, MAKEWPARAM(IDC_OPTIONS, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(band, IDC_OPTIONS)));
        ::PostMessageA(band, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(band, IDC_CLOSE)));
    });
    dialog.DoModal();
    app.m_pMainWnd = nullptr;
    EXPECT_TRUE(sheetChecked);
    ::OleUninitialize();
}

}  // namespace
