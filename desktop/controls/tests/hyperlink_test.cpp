#include <gtest/gtest.h>

#include "gui_helpers.h"
#include "hand_cursor.h"
#include "hyperlink.h"
#include "win_app.h"
#include "worker_thread.h"

#include <cstring>
#include <functional>
#include <string>

namespace {

class LinkDialog : public CheckDialog {
public:
    LinkDialog() : CheckDialog(500) {}
    CHyperLink website, right, centre, empty, press, release;

    void DoDataExchange(CDataExchange* exchange) override
    {
        DDX_Control(exchange, 1011, website);
        DDX_Control(exchange, 1012, right);
        DDX_Control(exchange, 1013, centre);
        DDX_Control(exchange, 1014, empty);
        DDX_Control(exchange, 1015, press);
        DDX_Control(exchange, 1016, release);
    }
    // The text colour the link picks when its parent asks (reflected WM_CTLCOLORSTATIC).
    COLORREF TextColour(const CHyperLink& link)
    {
        HDC dc = ::GetDC(link);
        LRESULT brush = Send(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link.m_hWnd));
        COLORREF colour = ::GetTextColor(dc);
        ::ReleaseDC(link, dc);
        EXPECT_EQ(reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)), brush);
        return colour;
    }
    RECT TemplateRect(int x, int y, int width, int height)
    {
        RECT rect = {x, y, x + width, y + height};
        ::MapDialogRect(m_hWnd, &rect);
        return rect;
    }
};

void RunLinkDialog(const std::function<void(LinkDialog&)>& body)
{
    LinkDialog dialog;
    dialog.empty.SetTarget("http://t/");
    dialog.body = [&dialog, &body] { body(dialog); };
    ASSERT_EQ(IDOK, dialog.DoModal());
}

RECT RectInParent(const CWnd& window)
{
    RECT rect = window.WindowRect();
    ::MapWindowPoints(nullptr, window.GetParent(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE TextExtent(const CHyperLink& link)
{
    HDC dc = ::GetDC(link);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(link.Send(WM_GETFONT)));
    std::string text = link.GetText();
    SIZE extent = {};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, previous);
    ::ReleaseDC(link, dc);
    return extent;
}

BOOL Underlined(const CHyperLink& link)
{
    LOGFONTA font = {};
    ::GetObjectA(reinterpret_cast<HGDIOBJ>(link.Send(WM_GETFONT)), sizeof(font), &font);
    return font.lfUnderline;
}

TEST(HyperLink, AttachingTakesTargetFontAndFitsText)
{
    RunLinkDialog([](LinkDialog& d) {
        EXPECT_EQ("Korvala Website", d.website.GetTarget()) << "target defaults to the text";
        EXPECT_EQ("http://t/", d.empty.GetText()) << "an empty text shows the target";
        EXPECT_EQ("Korvala Website", TooltipText(d.website));
        EXPECT_EQ(static_cast<DWORD>(0x15), d.website.GetStyles());
        EXPECT_TRUE(Underlined(d.website));

        struct Case {
            CHyperLink* link;
            RECT original;
            const char* name;
        };
        const Case cases[] = {{&d.website, d.TemplateRect(10, 10, 100, 8), "left"},
                              {&d.right, d.TemplateRect(10, 22, 100, 8), "right"},
                              {&d.centre, d.TemplateRect(10, 34, 100, 10), "centre"}};
        for (const Case& c : cases) {
            RECT now = RectInParent(*c.link);
            SIZE extent = TextExtent(*c.link);
            EXPECT_EQ(extent.cx, now.right - now.left) << c.name;
            EXPECT_EQ(extent.cy, now.bottom - now.top) << c.name;
        }
        EXPECT_EQ(cases[0].original.left, RectInParent(d.website).left);
        EXPECT_EQ(cases[0].original.top, RectInParent(d.website).top);
        EXPECT_EQ(cases[1].original.right, RectInParent(d.right).right);
        RECT centre = RectInParent(d.centre);
        EXPECT_NEAR((cases[2].original.left + cases[2].original.right) / 2.0, (centre.left + centre.right) / 2.0, 1.0);
        EXPECT_NEAR((cases[2].original.top + cases[2].original.bottom) / 2.0, (centre.top + centre.bottom) / 2.0, 1.0);

        d.website.SetTarget("http://example.invalid/");
        EXPECT_EQ("http://example.invalid/", TooltipText(d.website));
        EXPECT_TRUE(::IsWindowVisible(d.website) || !::IsWindowVisible(d));
    });
}

TEST(HyperLink, ANewTextOrFontIsFittedAgain)
{
    RunLinkDialog([](LinkDialog& d) {
        HFONT larger = ::CreateFontA(-24, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
        const struct {
            const char* change;
            std::function<void()> make;
        } changes[] = {
            {"longer text", [&] { ::SetWindowTextA(d.website, "Korvala Website, with a much longer text"); }},
            {"larger font", [&] { d.website.Send(WM_SETFONT, reinterpret_cast<WPARAM>(larger), TRUE); }},
            {"shorter text", [&] { ::SetWindowTextA(d.website, "Web"); }},
        };
        for (const auto& change : changes) {
            change.make();
            const RECT now = RectInParent(d.website);
            const SIZE extent = TextExtent(d.website);
            EXPECT_EQ(extent.cx, now.right - now.left) << change.change;
            EXPECT_EQ(extent.cy, now.bottom - now.top) << change.change;
            EXPECT_TRUE(Underlined(d.website)) << change.change;
        }
        EXPECT_NE(reinterpret_cast<HFONT>(d.website.Send(WM_GETFONT)), larger) << "the link made its own font";
        LOGFONTA font = {};
        ::GetObjectA(reinterpret_cast<HGDIOBJ>(d.website.Send(WM_GETFONT)), sizeof(font), &font);
        EXPECT_EQ(font.lfHeight, -24);
        ::DeleteObject(larger);
    });
}

TEST(HyperLink, ChangeStyles)
{
    RunLinkDialog([](LinkDialog& d) {
        EXPECT_FALSE(d.website.ChangeStyles(LinkOpenOnPress, LinkOpenOnPress));
        EXPECT_EQ(static_cast<DWORD>(0x15), d.website.GetStyles());
        EXPECT_TRUE(d.website.ChangeStyles(LinkUnderline, LinkOpenOnPress));
        EXPECT_EQ(static_cast<DWORD>(0x1C), d.website.GetStyles());
        EXPECT_FALSE(Underlined(d.website));
        EXPECT_TRUE(d.website.ChangeStyles(0, LinkUnderline));
        EXPECT_TRUE(Underlined(d.website));
    });
}

TEST(HyperLink, ColourPrecedenceThroughReflection)
{
    RunLinkDialog([](LinkDialog& d) {
        const COLORREF normal = RGB(1, 1, 1), active = RGB(2, 2, 2), visited = RGB(3, 3, 3), hover = RGB(4, 4, 4);
        CHyperLink::SetLinkColours(normal, active, visited, hover);
        ::SetFocus(d.GetDlgItem(1020));
        EXPECT_EQ(normal, d.TextColour(d.website));
        d.website.Send(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        EXPECT_EQ(d.website.m_hWnd, ::GetCapture()) << "hovering holds the capture";
        EXPECT_EQ(normal, d.TextColour(d.website)) << "no hover colour without the style";
        d.website.ChangeStyles(0, LinkHoverColour);
        EXPECT_EQ(hover, d.TextColour(d.website));
        ::SetFocus(d.website);
        EXPECT_EQ(hover, d.TextColour(d.website)) << "hover wins over active";
        d.website.Send(WM_MOUSEMOVE, 0, MAKELPARAM(-5, -5));
        EXPECT_EQ(nullptr, ::GetCapture());
        EXPECT_EQ(active, d.TextColour(d.website));
        d.website.ChangeStyles(0, LinkNoActiveColour);
        EXPECT_EQ(normal, d.TextColour(d.website));
        ::SetFocus(d.right);
        d.website.ChangeStyles(LinkNoActiveColour, 0);
        EXPECT_EQ(normal, d.TextColour(d.website)) << "losing the focus clears active";

        CHyperLink::SetLinkColours(normal, active, visited, 0xFFFFFFFF);
        d.website.Send(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        EXPECT_EQ(::GetSysColor(COLOR_HIGHLIGHT), d.TextColour(d.website));
        d.website.Send(WM_MOUSEMOVE, 0, MAKELPARAM(-5, -5));
    });
}

TEST(HyperLink, HandPointer)
{
    RunLinkDialog([](LinkDialog& d) {
        ASSERT_NE(nullptr, LoadHandCursor()) << "the system hand stands in for the help program's";
        EXPECT_EQ(LoadHandCursor(), LoadedHandCursor());
        EXPECT_EQ(TRUE, d.website.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(d.website.m_hWnd),
                                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
        EXPECT_EQ(HTCLIENT, d.website.Send(WM_NCHITTEST));
        EXPECT_TRUE(SetHandCursorOverLinkButton(d.GetDlgItem(1020)));
        EXPECT_FALSE(SetHandCursorOverLinkButton(d.GetDlgItem(1021))) << "two spaces";
        EXPECT_FALSE(SetHandCursorOverLinkButton(d.GetDlgItem(1022))) << "a static";
        EXPECT_FALSE(SetHandCursorOverLinkButton(nullptr));
    });
}

// The web-page fallback runs the program registered for ".htm": the tests register a command
// that makes a folder named by the target, so each opening leaves a trace.
class HtmClass {
public:
    explicit HtmClass(const char* command)
    {
        char previous[260] = {};
        LONG size = sizeof(previous);
        hadPrevious_ = ::RegQueryValueA(HKEY_CLASSES_ROOT, ".htm", previous, &size) == ERROR_SUCCESS;
        previous_ = previous;
        ::RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, "KorvalaTestPage", 15);
        ::RegSetValueA(HKEY_CLASSES_ROOT, "KorvalaTestPage\\shell\\open\\command", REG_SZ, command,
                       static_cast<DWORD>(strlen(command)));
    }
    ~HtmClass()
    {
        if (hadPrevious_) {
            ::RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, previous_.c_str(), static_cast<DWORD>(previous_.size()));
        } else {
            ::RegDeleteKeyA(HKEY_CLASSES_ROOT, ".htm");
        }
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "KorvalaTestPage\\shell\\open\\command");
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "KorvalaTestPage\\shell\\open");
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "KorvalaTestPage\\shell");
        ::RegDeleteKeyA(HKEY_CLASSES_ROOT, "KorvalaTestPage");
    }

private:
    bool hadPrevious_ = false;
    std::string previous_;
};

bool FolderExists(const char* path)
{
    DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderAppears(const char* path, DWORD timeoutMs)
{
    return PumpUntil([path] { return FolderExists(path); }, timeoutMs);
}

// Removes the folder, waiting while the command that made it still holds it open (removing it
// then fails with a sharing violation).
bool FolderRemoved(const char* path, DWORD timeoutMs)
{
    return PumpUntil([path] { return ::RemoveDirectoryA(path) || !FolderExists(path); }, timeoutMs);
}

TEST(HyperLink, OpensOnPressOrOnReleaseThroughTheWebPageFallback)
{
    HtmClass htm("C:\\windows\\system32\\cmd.exe /c mkdir \"%1\"");
    const char* pressed = "C:\\korvala-link-press";
    const char* released = "C:\\korvala-link-release";
    ::RemoveDirectoryA(pressed);
    ::RemoveDirectoryA(released);
    RunLinkDialog([&](LinkDialog& d) {
        d.press.SetTarget(pressed);
        d.press.ChangeStyles(0, LinkOpenOnPress);
        d.press.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        EXPECT_TRUE(FolderAppears(pressed, 10000)) << "opened on the press";
        EXPECT_TRUE(d.press.IsVisited());
        ASSERT_TRUE(FolderRemoved(pressed, 10000));
        d.press.Send(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
        EXPECT_FALSE(FolderAppears(pressed, 1500)) << "the release does nothing";

        d.release.SetTarget(released);
        d.release.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        EXPECT_FALSE(FolderAppears(released, 1500)) << "the press only makes the link active";
        EXPECT_FALSE(d.release.IsVisited());
        d.release.Send(WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
        EXPECT_TRUE(FolderAppears(released, 10000));
        EXPECT_TRUE(FolderRemoved(released, 10000));
    });
}

struct BoxWatch {
    std::string caption;
    std::string text;
    volatile LONG seen;
};

// Closes the first message box with the given caption and keeps its text.
unsigned __stdcall CloseMessageBox(void* parameter)
{
    auto* watch = static_cast<BoxWatch*>(parameter);
    for (int i = 0; i < 1000; ++i) {
        HWND box = ::FindWindowA("#32770", watch->caption.c_str());
        if (box) {
            char text[512] = {};
            ::GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
            watch->text = text;
            ::InterlockedExchange(&watch->seen, 1);
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        ::Sleep(10);
    }
    return 1;
}

TEST(HyperLink, ALinkThatCannotOpenShowsTheReason)
{
    HtmClass htm("C:\\no-such-folder\\no-such-browser.exe \"%1\"");
    const char* target = "C:\\korvala-link-nowhere";
    int code = CHyperLink::OpenWithShell(target, SW_HIDE);
    EXPECT_LE(code, 32);
    RunLinkDialog([&](LinkDialog& d) {
        BoxWatch watch = {AppName(), "", 0};
        UniqueKernelHandle watcher = StartWorkerThread(&CloseMessageBox, &watch);
        d.release.SetTarget(target);
        d.release.Send(WM_KEYDOWN, VK_SPACE);
        ::WaitForSingleObject(watcher.Get(), 15000);
        EXPECT_EQ(1, watch.seen);
        EXPECT_EQ(LinkErrorText(code), watch.text);
        EXPECT_FALSE(d.release.IsVisited());
    });
}

// Registry values and command lines that do not fit their buffers leave the shell's result.
TEST(HyperLink, FallbackThatWouldNotFitReturnsTheShellsResult)
{
    const char* target = "C:\\korvala-link-too-long";
    {
        HtmClass htm(std::string(300, 'x').c_str());
        EXPECT_EQ(2, CHyperLink::OpenWithShell(target, SW_HIDE)) << "browser command over 260 bytes";
    }
    {
        HtmClass htm("C:\\windows\\system32\\cmd.exe /c mkdir \"%1\"");
        std::string longTarget = "C:\\korvala-" + std::string(480, 'y');
        EXPECT_EQ(2, CHyperLink::OpenWithShell(longTarget, SW_HIDE)) << "command over 520 bytes";
    }
}

}  // namespace
