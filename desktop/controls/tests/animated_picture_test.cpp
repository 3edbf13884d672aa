#include <gtest/gtest.h>

#include "animated_picture.h"
#include "gif_stream.h"
#include "gui_helpers.h"
#include "memory_dc.h"

#include <tlhelp32.h>

#include <cmath>
#include <cstring>
#include <set>
#include <vector>

namespace {

const COLORREF kDark = RGB(64, 64, 64);

std::set<DWORD> ProcessThreads()
{
    std::set<DWORD> threads;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Thread32First(snapshot, &entry); more; more = ::Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) {
            threads.insert(entry.th32ThreadID);
        }
    }
    ::CloseHandle(snapshot);
    return threads;
}

// The busy indicator shows frame k as its dark dot k, clockwise from the top; `pixel(x, y)` reads
// a picture of it.
template <typename Pixel>
bool DotIsDark(Pixel pixel, int k)
{
    double angle = k * 3.14159265 / 4;
    int cx = static_cast<int>(7.5 + 5.5 * std::sin(angle));
    int cy = static_cast<int>(7.5 - 5.5 * std::cos(angle));
    for (int y = cy - 1; y <= cy + 1; ++y) {
        for (int x = cx - 1; x <= cx + 1; ++x) {
            if (pixel(x, y) == kDark)
                return true;
        }
    }
    return false;
}

std::vector<uint8_t> ResourceBytes(int id, const char* type)
{
    HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
    const auto* bytes = static_cast<const uint8_t*>(::LockResource(::LoadResource(nullptr, found)));
    return std::vector<uint8_t>(bytes, bytes + ::SizeofResource(nullptr, found));
}

class AnimatedPictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::CoInitialize(nullptr);
        parent = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        HWND child = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 5, 6, 40, 40, parent,
                                       reinterpret_cast<HMENU>(1007), nullptr, nullptr);
        ASSERT_TRUE(picture.SubclassWindow(child));
    }
    void TearDown() override
    {
        ::DestroyWindow(parent);
        ::CoUninitialize();
    }
    BOOL LoadBytes(const std::vector<uint8_t>& bytes)
    {
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size() ? bytes.size() : 1);
        std::memcpy(::GlobalLock(memory), bytes.data(), bytes.size());
        ::GlobalUnlock(memory);
        BOOL loaded = picture.Load(memory, static_cast<DWORD>(bytes.size()));
        ::GlobalFree(memory);
        return loaded;
    }
    bool DotIsDark(int k)
    {
        return ::DotIsDark([this](int x, int y) { return PaintedPixel(picture, x, y); }, k);
    }

    HWND parent = nullptr;
    CAnimatedPicture picture;
};

TEST_F(AnimatedPictureTest, OneFrameGifIsAStillWithoutThread)
{
    EXPECT_FALSE(picture.SetBackground(RGB(1, 2, 3))) << "nothing loaded yet";
    ASSERT_TRUE(picture.LoadFromResource(MAKEINTRESOURCEA(301), "GIF"));
    RECT window = picture.WindowRect();
    EXPECT_EQ(16, window.right - window.left) << "resized to the picture";
    EXPECT_EQ(16, window.bottom - window.top);
    POINT origin = {window.left, window.top};
    ::ScreenToClient(parent, &origin);
    EXPECT_EQ(5, origin.x) << "position kept";
    EXPECT_EQ(0u, picture.FrameCount());
    size_t threads = ProcessThreads().size();
    picture.StartAnimation();
    EXPECT_FALSE(picture.HasAnimationThread());
    EXPECT_EQ(threads, ProcessThreads().size());
    EXPECT_EQ(RGB(0, 255, 0), PaintedPixel(picture, 8, 8));
}

TEST_F(AnimatedPictureTest, OtherFormatsLoadAsStills)
{
    ASSERT_TRUE(picture.LoadFromResource(MAKEINTRESOURCEA(303), "PIC"));
    RECT window = picture.WindowRect();
    EXPECT_EQ(16, window.right - window.left);
    picture.StartAnimation();
    EXPECT_EQ(RGB(255, 0, 0), PaintedPixel(picture, 15, 15));
    EXPECT_FALSE(picture.LoadFromResource(MAKEINTRESOURCEA(999), "GIF"));
    EXPECT_FALSE(LoadBytes({'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}));
    EXPECT_FALSE(picture.SetBackground(RGB(1, 2, 3))) << "a failed load leaves the control empty";
}

TEST_F(AnimatedPictureTest, BusyIndicatorAdvancesEveryHundredMillisecondsAndWraps)
{
    ASSERT_TRUE(picture.LoadFromResource(MAKEINTRESOURCEA(156), "GIF"));
    ASSERT_EQ(8u, picture.FrameCount());
    ASSERT_TRUE(picture.SetBackground(RGB(230, 230, 230)));
    EXPECT_EQ(RGB(230, 230, 230), PaintedPixel(picture, 0, 0));

    std::set<DWORD> before = ProcessThreads();
    picture.StartAnimation();
    picture.StartAnimation();
    EXPECT_EQ(before.size() + 1, ProcessThreads().size()) << "one animation thread";

    // Watch ten frame changes: each follows the previous one, about 100 ms apart.
    std::vector<DWORD> changes;
    size_t last = picture.CurrentFrame();
    DWORD start = ::GetTickCount();
    bool wrapped = false;
    while (changes.size() < 10 && ::GetTickCount() - start < 5000) {
        ::Sleep(5);
        size_t now = picture.CurrentFrame();
        if (now != last) {
            EXPECT_EQ((last + 1) % 8, now);
            wrapped = wrapped || now == 0;
            changes.push_back(::GetTickCount());
            last = now;
        }
    }
    ASSERT_EQ(10u, changes.size());
    EXPECT_TRUE(wrapped);
    DWORD average = (changes.back() - changes.front()) / 9;
    EXPECT_GE(average, 80u);
    EXPECT_LE(average, 300u);

    // Stopping keeps the frame; starting again goes on from it.
    picture.StopAnimation();
    size_t stoppedAt = picture.CurrentFrame();
    EXPECT_TRUE(DotIsDark(static_cast<int>(stoppedAt)));
    EXPECT_FALSE(picture.HasAnimationThread());
    ::Sleep(150);
    EXPECT_EQ(stoppedAt, picture.CurrentFrame());
    picture.StartAnimation();
    EXPECT_EQ(stoppedAt, picture.CurrentFrame());
    EXPECT_TRUE(PumpUntil([&] { return picture.CurrentFrame() != stoppedAt; }, 2000));
    EXPECT_EQ((stoppedAt + 1) % 8, picture.CurrentFrame());
    picture.UnloadPicture();
    EXPECT_EQ(0u, picture.FrameCount());
    EXPECT_EQ(0u, picture.CurrentFrame());
    EXPECT_EQ(before.size(), ProcessThreads().size());
}

TEST_F(AnimatedPictureTest, StopDuringALongDelayReturnsAtOnce)
{
    ASSERT_TRUE(picture.LoadFromResource(MAKEINTRESOURCEA(302), "GIF"));
    ASSERT_EQ(2u, picture.FrameCount());
    picture.StartAnimation();
    ::Sleep(100);
    EXPECT_EQ(RGB(255, 0, 0), PaintedPixel(picture, 8, 8));
    DWORD start = ::GetTickCount();
    picture.StopAnimation();
    EXPECT_LT(::GetTickCount() - start, 1000u);
    EXPECT_EQ(0u, picture.CurrentFrame());
}

// The animation thread draws into the canvas while the window copies from it to paint. Every copy
// shows one whole frame: the background and one dark dot, never a frame half drawn, and never
// nothing at all (Wine fails a drawing call on a device context another thread is drawing on).
TEST_F(AnimatedPictureTest, PaintingWhileTheAnimationDrawsShowsWholeFrames)
{
    const COLORREF background = RGB(230, 230, 230);
    ASSERT_TRUE(picture.LoadFromResource(MAKEINTRESOURCEA(156), "GIF"));
    ASSERT_TRUE(picture.SetBackground(background));
    MemoryDC copy(nullptr, 16, 16);
    ASSERT_TRUE(copy);
    HBRUSH unpainted = ::CreateSolidBrush(kUnpainted);
    const RECT all = {0, 0, 16, 16};
    auto pixel = [&copy](int x, int y) { return ::GetPixel(copy.Get(), x, y); };
    picture.StartAnimation();
    ASSERT_TRUE(PumpUntil([this] { return DotIsDark(0); }, 5000)) << "the first frame is drawn";
    int copies = 0;
    int torn = 0;
    // Twenty frames' time of painting as fast as the window can.
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < 2000; ++copies) {
        ::FillRect(copy.Get(), &all, unpainted);
        picture.Send(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(copy.Get()), PRF_CLIENT);
        int darkDots = 0;
        for (int k = 0; k < 8; ++k)
            darkDots += ::DotIsDark(pixel, k) ? 1 : 0;
        if (pixel(0, 0) != background || darkDots != 1)
            ++torn;
    }
    picture.StopAnimation();
    ::DeleteObject(unpainted);
    EXPECT_EQ(0, torn) << "of " << copies << " copies";
}

// A thread that does not end within the stop's wait keeps everything it draws with.
TEST_F(AnimatedPictureTest, UnloadNeverReleasesWhatAStuckThreadUses)
{
    ASSERT_TRUE(picture.LoadFromResource(MAKEINTRESOURCEA(302), "GIF"));
    std::set<DWORD> before = ProcessThreads();
    picture.StartAnimation();
    ::Sleep(100);
    std::set<DWORD> after = ProcessThreads();
    DWORD animation = 0;
    for (DWORD id : after) {
        if (!before.count(id))
            animation = id;
    }
    ASSERT_NE(0u, animation);
    HANDLE thread = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, animation);
    ASSERT_NE(nullptr, thread);
    ::SuspendThread(thread);
    picture.UnloadPicture();
    EXPECT_TRUE(picture.HasAnimationThread());
    EXPECT_EQ(2u, picture.FrameCount());
    EXPECT_FALSE(LoadBytes(ResourceBytes(301, "GIF"))) << "no new load over a running thread";
    ::ResumeThread(thread);
    ::CloseHandle(thread);
    picture.UnloadPicture();
    EXPECT_FALSE(picture.HasAnimationThread());
    EXPECT_EQ(0u, picture.FrameCount());
    EXPECT_TRUE(LoadBytes(ResourceBytes(301, "GIF")));
}

TEST_F(AnimatedPictureTest, TruncatedDataKeepsTheCompleteFrames)
{
    std::vector<uint8_t> gif = ResourceBytes(156, "GIF");
    GifHeader header;
    ASSERT_TRUE(ReadGifHeader(gif.data(), gif.size(), header));
    std::vector<size_t> frameEnds;
    size_t offset = header.firstBlock;
    GifFrameInfo frame;
    while (NextGifFrame(gif.data(), gif.size(), offset, frame)) {
        frameEnds.push_back(frame.offset + frame.length);
    }
    ASSERT_EQ(8u, frameEnds.size());

    std::vector<uint8_t> threeFrames(gif.begin(), gif.begin() + frameEnds[2] + 5);
    EXPECT_TRUE(LoadBytes(threeFrames));
    EXPECT_EQ(3u, picture.FrameCount());
    std::vector<uint8_t> noFrame(gif.begin(), gif.begin() + frameEnds[0] - 1);
    EXPECT_FALSE(LoadBytes(noFrame));
    EXPECT_FALSE(LoadBytes(std::vector<uint8_t>(gif.begin(), gif.begin() + 12)));
    for (size_t cut = 0; cut < gif.size(); cut += 9) {
        LoadBytes(std::vector<uint8_t>(gif.begin(), gif.begin() + cut));  // must not crash
    }
}

}  // namespace
