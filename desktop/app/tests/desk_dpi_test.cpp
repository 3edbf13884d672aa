// The real korvala-desk.exe on a desktop of 96, 120 or 144 DPI: desk_dpi_test.sh sets Wine's
// LogPixels in a prefix of its own and runs this program once per setting, naming the setting in
// KORVALA_EXPECTED_DPI. At 96 DPI the band is exactly as always; at 120 and 144 DPI it grows with
// the desktop, and every control, the busy picture and the header lie inside it.
#include "desk_program.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const int kBusyGif = 1;
const COLORREF kBandGrey = RGB(230, 230, 230);

struct Desktop {
    int dpi;
    int width, height;
    int closeOffset, scanOffset, downloadsOffset;
    bool everyControlInside;  // at 96 DPI the busy control reaches one pixel past the band, as always
};
const Desktop kDesktops[] = {
    {96, 800, 128, 30, 248, 282, false},
    {120, 1000, 160, 38, 310, 353, true},
    {144, 1200, 192, 45, 372, 423, true},
};

const Desktop* ExpectedDesktop()
{
    char value[16] = {};
    ::GetEnvironmentVariableA("KORVALA_EXPECTED_DPI", value, sizeof(value));
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

// The screen's pixels of a rectangle, as the user sees them.
class ScreenPixels {
public:
    explicit ScreenPixels(const RECT& rect) : m_rect(rect)
    {
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        HDC screen = ::GetDC(nullptr);
        m_memory = ::CreateCompatibleDC(screen);
        m_bitmap = ::CreateCompatibleBitmap(screen, width, height);
        m_previous = ::SelectObject(m_memory, m_bitmap);
        ::BitBlt(m_memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        ::ReleaseDC(nullptr, screen);
    }
    ~ScreenPixels()
    {
        ::SelectObject(m_memory, m_previous);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_memory);
    }
    ScreenPixels(const ScreenPixels&) = delete;
    ScreenPixels& operator=(const ScreenPixels&) = delete;

    // A pixel at screen coordinates inside the rectangle.
    COLORREF At(int x, int y) const { return ::GetPixel(m_memory, x - m_rect.left, y - m_rect.top); }

private:
    RECT m_rect;
    HDC m_memory;
    HBITMAP m_bitmap;
    HGDIOBJ m_previous;
};

// The points of the busy picture (busy.gif, embedded in this program) that differ from the band's
// grey: its ring of dots, which every frame draws, lit or not.
std::vector<POINT> BusyRing()
{
    std::vector<POINT> ring;
    HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(kBusyGif), "GIF");
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
        HDC memory = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 16, 16);
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ previous = ::SelectObject(memory, bitmap);
        picture->Render(memory, 0, 0, 16, 16, 0, height, width, -height, nullptr);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                if (::GetPixel(memory, x, y) != kBandGrey) {
                    ring.push_back(POINT{x, y});
                }
            }
        }
        ::SelectObject(memory, previous);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
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
        ASSERT_NE(desktop, nullptr) << "KORVALA_EXPECTED_DPI names none of 96, 120, 144";
        HDC screen = ::GetDC(nullptr);
        const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        ASSERT_EQ(dpi, desktop->dpi) << "Wine did not take the prefix's LogPixels setting";
    }
    const Desktop* desktop = nullptr;
};

TEST_F(DeskDpiTest, TheBandHoldsEveryControlAndTheBusyPicture)
{
    DeskProgram program("korvala-desk.exe", desktop->width);
    ASSERT_NE(program.window, nullptr) << "no band " << desktop->width << " pixels wide";
    const HWND window = program.window;
    const RECT rect = WindowRect(window);
    EXPECT_EQ(rect.bottom - rect.top, desktop->height);
    const struct {
        int id;
        int offset;
    } rightAligned[] = {{1005, desktop->closeOffset}, {1001, desktop->scanOffset}, {1023, desktop->downloadsOffset}};
    for (const auto& control : rightAligned) {
        EXPECT_EQ(WindowRect(::GetDlgItem(window, control.id)).left, rect.right - control.offset) << control.id;
    }
    const RECT band = ScreenClientRect(window);
    if (desktop->everyControlInside) {
        for (int id : {1001, 1002, 1004, 1005, 1006, 1007, 1008, 1009, 1017, 1020, 1023}) {
            const HWND control = ::GetDlgItem(window, id);
            ASSERT_NE(control, nullptr) << id;
            EXPECT_TRUE(Inside(WindowRect(control), band)) << id;
        }
    }

    // Help shows the busy picture until the page has loaded, which Wine's browser never does.
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(1017, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, 1017)));
    const HWND busy = ::GetDlgItem(window, 1007);
    for (int i = 0; i < 100 && !::IsWindowVisible(busy); ++i) {
        ::Sleep(50);
    }
    ASSERT_TRUE(::IsWindowVisible(busy));
    ::Sleep(500);
    const std::vector<POINT> ring = BusyRing();
    ASSERT_FALSE(ring.empty());
    const ScreenPixels pixels(band);
    const RECT picture = WindowRect(busy);
    int shown = 0;
    for (const POINT& point : ring) {
        const POINT at = {picture.left + point.x, picture.top + point.y};
        shown += ::PtInRect(&band, at) && pixels.At(at.x, at.y) != kBandGrey ? 1 : 0;
    }
    EXPECT_EQ(shown, static_cast<int>(ring.size())) << "points of the busy picture's ring shown in the band";
    // The header covers the whole band: its light grey part down to the band's last row, its red
    // part at the top.
    EXPECT_EQ(pixels.At(band.left + 2, band.bottom - 1), kBandGrey);
    const COLORREF top = pixels.At(band.left + 2, band.top + 2);
    EXPECT_TRUE(GetRValue(top) > 0x50 && GetGValue(top) < 0x30) << std::hex << top;

    ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForEnd(), 0);
}

}  // namespace
