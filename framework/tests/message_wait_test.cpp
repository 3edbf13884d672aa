#include "message_wait.h"

#include "worker_thread.h"

#include <gtest/gtest.h>

namespace {

struct Talker {
    HWND window;
    LRESULT answer;
};

// Talks to the window on the waiting thread the way the scan threads do.
unsigned __stdcall SendingThread(void* parameter)
{
    auto* talker = static_cast<Talker*>(parameter);
    talker->answer = ::SendMessageA(talker->window, WM_USER + 7, 0, 0);
    return 0;
}

unsigned __stdcall SleepingThread(void*)
{
    ::Sleep(3000);
    return 0;
}

LRESULT CALLBACK AnsweringProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return message == WM_USER + 7 ? 42 : ::DefWindowProcA(window, message, wParam, lParam);
}

TEST(WaitHandlingSentMessages, AThreadSendingToTheWaitingThreadEndsInsteadOfDeadlocking)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = AnsweringProc;
    windowClass.lpszClassName = "WaitTestWindow";
    ::RegisterClassA(&windowClass);
    HWND window = ::CreateWindowExA(0, "WaitTestWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ::PostMessageA(window, WM_USER + 8, 0, 0);
    Talker talkers[2] = {{window, 0}, {window, 0}};
    UniqueKernelHandle first = StartWorkerThread(SendingThread, &talkers[0]);
    UniqueKernelHandle second = StartWorkerThread(SendingThread, &talkers[1]);
    HANDLE threads[3] = {first.Get(), nullptr, second.Get()};
    EXPECT_TRUE(WaitHandlingSentMessages(threads, 3, 5000));
    EXPECT_EQ(talkers[0].answer, 42);
    EXPECT_EQ(talkers[1].answer, 42);
    // Posted messages stay for the message loop.
    MSG msg;
    EXPECT_TRUE(::PeekMessageA(&msg, window, WM_USER + 8, WM_USER + 8, PM_REMOVE));
    ::DestroyWindow(window);
}

TEST(WaitHandlingSentMessages, GivesUpAfterTheTimeout)
{
    UniqueKernelHandle owner = StartWorkerThread(SleepingThread, nullptr);
    HANDLE thread = owner.Get();
    const DWORD start = ::GetTickCount();
    EXPECT_FALSE(WaitHandlingSentMessages(&thread, 1, 200));
    EXPECT_LT(::GetTickCount() - start, 2000u);
    EXPECT_TRUE(WaitHandlingSentMessages(&thread, 1, 10000));
}

}  // namespace
