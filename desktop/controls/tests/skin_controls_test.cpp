#include <gtest/gtest.h>

#include "gui_helpers.h"
#include "skin_button.h"
#include "skin_progress.h"
#include "worker_thread.h"

#include <vector>

namespace {

const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kLime = RGB(0, 255, 0), kYellow = RGB(255, 255, 0),
               kGray = RGB(128, 128, 128), kFill = RGB(0, 128, 0);

class RecordingProgress : public CSkinProgress {
public:
    void DrawOverlay(HDC, int percent, const RECT&, const RECT& filled, BOOL vertical) override
    {
        lastPercent = percent;
        lastFilled = filled;
        lastVertical = vertical;
    }
    int lastPercent = -1;
    RECT lastFilled = {};
    BOOL lastVertical = FALSE;
};

class SkinDialog : public CheckDialog {
public:
    SkinDialog() : CheckDialog(300) {}
    CSkinButton push, check, radio1, radio2, radioDisabled, radioHidden, otherGroup;
    RecordingProgress bar, column;

    void DoDataExchange(CDataExchange* exchange) override
    {
        DDX_Control(exchange, 1001, push);
        DDX_Control(exchange, 1002, check);
        DDX_Control(exchange, 1003, radio1);
        DDX_Control(exchange, 1004, radio2);
        DDX_Control(exchange, 1005, radioDisabled);
        DDX_Control(exchange, 1006, radioHidden);
        DDX_Control(exchange, 1007, otherGroup);
        DDX_Control(exchange, 1010, bar);
        DDX_Control(exchange, 1011, column);
    }
    std::vector<CSkinButton*> Buttons()
    {
        return {&push, &check, &radio1, &radio2, &radioDisabled, &radioHidden, &otherGroup};
    }
};

void RunSkinDialog(const std::function<void(SkinDialog&)>& body)
{
    SkinDialog dialog;
    dialog.body = [&dialog, &body] {
        for (CSkinButton* button : dialog.Buttons()) {
            button->SetBitmaps(201, 202, 0, 0, 0, 0, 0, 0, 4);
        }
        body(dialog);
    };
    ASSERT_EQ(IDOK, dialog.DoModal());
}

LRESULT Checked(const CWnd& button)
{
    return button.Send(BM_GETCHECK);
}

TEST(SkinButton, KindFromStyleAndChecks)
{
    RunSkinDialog([](SkinDialog& d) {
        EXPECT_EQ(CSkinButton::PushButton, d.push.kind());
        EXPECT_EQ(CSkinButton::CheckBox, d.check.kind());
        EXPECT_EQ(CSkinButton::RadioButton, d.radio1.kind());
        EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), d.push.GetStyle() & BS_TYPEMASK);

        d.push.Send(BM_SETCHECK, 1);
        EXPECT_EQ(0, Checked(d.push)) << "a push button is never checked";
        EXPECT_EQ(kRed, PaintedPixel(d.push, 8, 8));

        d.check.Send(WM_KEYDOWN, VK_SPACE);
        EXPECT_EQ(1, Checked(d.check));
        EXPECT_EQ(kBlue, PaintedPixel(d.check, 8, 8)) << "checked shows the pressed image";
        d.check.Send(WM_KEYDOWN, VK_SPACE);
        EXPECT_EQ(0, Checked(d.check));
    });
}

TEST(SkinButton, CheckingARadioButtonUnchecksItsGroupOnly)
{
    RunSkinDialog([](SkinDialog& d) {
        d.radio2.Send(BM_SETCHECK, 1);
        d.otherGroup.Send(BM_SETCHECK, 1);
        PumpMessages();
        d.radio1.Send(WM_KEYDOWN, VK_SPACE);
        PumpMessages();
        EXPECT_EQ(1, Checked(d.radio1));
        EXPECT_EQ(0, Checked(d.radio2));
        EXPECT_EQ(1, Checked(d.otherGroup));

        // The group walk skips disabled and hidden members and never comes back to a disabled
        // starting point: checking one must still end.
        d.radioDisabled.Send(BM_SETCHECK, 1);
        d.radioHidden.Send(BM_SETCHECK, 1);
        PumpMessages();
        EXPECT_EQ(1, Checked(d.radioDisabled));
        EXPECT_EQ(1, Checked(d.radioHidden));
        EXPECT_EQ(0, Checked(d.radio1));
        EXPECT_EQ(1, Checked(d.otherGroup));
    });
}

TEST(SkinButton, ImagesByState)
{
    RunSkinDialog([](SkinDialog& d) {
        ::EnableWindow(d.push, FALSE);
        EXPECT_EQ(kRed, PaintedPixel(d.push, 8, 8)) << "normal image serves when disabled";
        d.push.SetBitmaps(201, 202, 203, 208, 204, 0, 0, 0, 4);
        EXPECT_EQ(kGray, PaintedPixel(d.push, 8, 8));
        ::EnableWindow(d.push, TRUE);
        EXPECT_EQ(kRed, PaintedPixel(d.push, 8, 8));
        ::SetFocus(d.push);
        EXPECT_EQ(kYellow, PaintedPixel(d.push, 8, 8)) << "focus image";
        // Stretched over a larger button.
        d.push.SetBitmaps(201, 202, 0, 0, 0, 0, 1, 0, 0);
        RECT client = d.push.ClientRect();
        EXPECT_EQ(kRed, PaintedPixel(d.push, client.right - 1, client.bottom - 1));
        d.push.SetBitmaps(201, 202, 0, 0, 0, 0, 0, 0, 0);
        EXPECT_NE(kRed, PaintedPixel(d.push, client.right - 1, client.bottom - 1)) << "drawn at its own size";
    });
}

TEST(SkinButton, RegionFollowsTheMask)
{
    RunSkinDialog([](SkinDialog& d) {
        HBITMAP mask = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(205));
        ASSERT_NE(nullptr, mask);
        HRGN region = d.push.BuildRegionFromBitmap(mask, RGB(255, 255, 255));
        ASSERT_NE(nullptr, region);
        HDC memory = ::CreateCompatibleDC(nullptr);
        HGDIOBJ previous = ::SelectObject(memory, mask);
        int inside = 0;
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 12; ++x) {
                bool shown = ::GetPixel(memory, x, y) != RGB(255, 255, 255);
                inside += shown;
                EXPECT_EQ(shown, ::PtInRegion(region, x, y) != FALSE) << x << "," << y;
            }
        }
        EXPECT_EQ(8 * 8 + 1, inside);
        ::SelectObject(memory, previous);
        ::DeleteDC(memory);

        // Draw mode 0 sizes the button to the mask and gives it the region.
        d.push.SetBitmaps(201, 202, 0, 0, 0, 205, 0, 0, 0);
        RECT window = d.push.WindowRect();
        EXPECT_EQ(12, window.right - window.left);
        EXPECT_EQ(10, window.bottom - window.top);
        HRGN windowRegion = ::CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(ERROR, ::GetWindowRgn(d.push, windowRegion));
        EXPECT_TRUE(::EqualRgn(region, windowRegion));
        ::DeleteObject(windowRegion);
        ::DeleteObject(region);
        ::DeleteObject(mask);

        HBITMAP white = ::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(206));
        HRGN empty = d.push.BuildRegionFromBitmap(white, RGB(255, 255, 255));
        RECT box;
        EXPECT_EQ(NULLREGION, ::GetRgnBox(empty, &box));
        ::DeleteObject(empty);
        ::DeleteObject(white);
        EXPECT_EQ(nullptr, d.push.BuildRegionFromBitmap(nullptr, RGB(255, 255, 255)));
    });
}

struct SetBitmapsCall {
    CSkinButton* button;
    volatile LONG returned;
};

unsigned __stdcall SetBitmapsOnWorker(void* parameter)
{
    auto* call = static_cast<SetBitmapsCall*>(parameter);
    call->button->SetBitmaps(202, 201, 0, 0, 0, 0, 0, 0, 4);
    ::InterlockedExchange(&call->returned, 1);
    return 0;
}

TEST(SkinButton, SetBitmapsFromAnotherThreadRunsOnTheWindowsThread)
{
    RunSkinDialog([](SkinDialog& d) {
        SetBitmapsCall call = {&d.push, 0};
        UniqueKernelHandle thread = StartWorkerThread(&SetBitmapsOnWorker, &call);
        ASSERT_TRUE(thread);
        ::Sleep(200);
        EXPECT_EQ(0, call.returned) << "the change waits for the window's thread";
        EXPECT_TRUE(PumpUntil([&call] { return call.returned != 0; }, 5000));
        ::WaitForSingleObject(thread.Get(), 5000);
        EXPECT_EQ(kBlue, PaintedPixel(d.push, 8, 8));
    });
}

TEST(SkinProgress, FillArithmeticOnScreen)
{
    RunSkinDialog([](SkinDialog& d) {
        ::SetWindowPos(d.bar, nullptr, 0, 0, 137, 12, SWP_NOMOVE | SWP_NOZORDER);
        ASSERT_EQ(137, d.bar.ClientRect().right);
        EXPECT_TRUE(d.bar.SetBitmap(207u, TRUE));
        d.bar.SetPos(100);
        EXPECT_EQ(kFill, PaintedPixel(d.bar, 1, 5));
        EXPECT_EQ(kFill, PaintedPixel(d.bar, 134, 5));
        EXPECT_EQ(kUnpainted, PaintedPixel(d.bar, 135, 5)) << "a full bar stops one pixel short";
        EXPECT_EQ(kUnpainted, PaintedPixel(d.bar, 0, 5));
        EXPECT_EQ(100, d.bar.lastPercent);
        EXPECT_EQ(135, d.bar.lastFilled.right);

        d.bar.SetPos(0);
        EXPECT_EQ(kUnpainted, PaintedPixel(d.bar, 1, 5)) << "empty at 0";

        d.bar.SetRange(0, 200);
        d.bar.SetPos(100);
        EXPECT_EQ(kFill, PaintedPixel(d.bar, 67, 5));
        EXPECT_EQ(kUnpainted, PaintedPixel(d.bar, 68, 5));
        EXPECT_EQ(100, d.bar.Send(PBM_GETPOS));

        d.bar.SetRange(5, 5);
        d.bar.SetPos(7);
        EXPECT_EQ(kUnpainted, PaintedPixel(d.bar, 1, 5));
        EXPECT_EQ(0, d.bar.lastPercent);

        ::SetWindowPos(d.column, nullptr, 0, 0, 12, 137, SWP_NOMOVE | SWP_NOZORDER);
        d.column.SetBitmap(207u, TRUE);
        d.column.SetPos(100);
        EXPECT_EQ(kFill, PaintedPixel(d.column, 5, 135));
        EXPECT_EQ(kFill, PaintedPixel(d.column, 5, 2));
        EXPECT_EQ(kUnpainted, PaintedPixel(d.column, 5, 1));
        EXPECT_TRUE(d.column.lastVertical);

        EXPECT_FALSE(d.bar.SetBitmap(static_cast<HBITMAP>(nullptr), TRUE));
        EXPECT_NE(kFill, PaintedPixel(d.bar, 1, 5)) << "standard painting without a fill bitmap";
    });
}

// Pointer tests need a shown window: WindowFromPoint decides whether the pointer is over a
// button.
TEST(SkinButton, PressMoveOutReleaseGivesNoClickAndHoverImage)
{
    RunSkinDialog([](SkinDialog& d) {
        ::SetWindowPos(d, HWND_TOPMOST, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        PumpMessages();
        RECT push = d.push.WindowRect();
        POINT over = {(push.left + push.right) / 2, (push.top + push.bottom) / 2};
        POINT outside = {push.right + 100, push.bottom + 100};
        auto clientLParam = [&d](POINT screen) {
            ::ScreenToClient(d.push, &screen);
            return MAKELPARAM(screen.x, screen.y);
        };

        ::SetCursorPos(over.x, over.y);
        d.push.Send(WM_LBUTTONDOWN, MK_LBUTTON, clientLParam(over));
        ::SetCursorPos(outside.x, outside.y);
        d.push.Send(WM_MOUSEMOVE, MK_LBUTTON, clientLParam(outside));
        EXPECT_EQ(0, d.push.Send(BM_GETSTATE) & BST_PUSHED);
        d.push.Send(WM_LBUTTONUP, 0, clientLParam(outside));
        PumpMessages();
        EXPECT_EQ(0, d.clicks);

        ::SetCursorPos(over.x, over.y);
        d.push.Send(WM_LBUTTONDOWN, MK_LBUTTON, clientLParam(over));
        d.push.Send(WM_LBUTTONUP, 0, clientLParam(over));
        PumpMessages();
        EXPECT_EQ(1, d.clicks) << "press and release over the button clicks";

        RECT box = d.check.WindowRect();
        POINT overCheck = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
        ::SetCursorPos(overCheck.x, overCheck.y);
        LPARAM at = MAKELPARAM(4, 4);
        d.check.Send(WM_LBUTTONDOWN, MK_LBUTTON, at);
        d.check.Send(WM_LBUTTONUP, 0, at);
        EXPECT_EQ(1, Checked(d.check));

        // Without a hover image the pointer changes nothing; with one it shows.
        ::SetCursorPos(over.x, over.y);
        d.push.Send(WM_MOUSEMOVE, 0, clientLParam(over));
        EXPECT_EQ(kRed, PaintedPixel(d.push, 8, 8));
        d.push.SetBitmaps(201, 202, 203, 0, 0, 0, 0, 0, 0);
        EXPECT_EQ(kLime, PaintedPixel(d.push, 8, 8));
        d.push.Send(WM_MOUSELEAVE);
        EXPECT_EQ(kRed, PaintedPixel(d.push, 8, 8));
        ::ShowWindow(d, SW_HIDE);
    });
}

}  // namespace
