// The GetTickCount64 that the shipped binaries carry in place of the import (Windows XP lacks the
// function): this program links it as they do, so the thread library's calls land there.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

using TickCount64Function = ULONGLONG(WINAPI*)();

#ifdef _WIN64
extern "C" TickCount64Function gTickCount64Import __asm__("__imp_GetTickCount64");
#else
extern "C" TickCount64Function gTickCount64Import __asm__("__imp__GetTickCount64@0");
#endif

namespace {

TEST(TickCount64, AnswersAsTheSystemsOwn)
{
    auto system = reinterpret_cast<TickCount64Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64")));
    ASSERT_NE(system, nullptr) << "this system has GetTickCount64 of its own";
    ULONGLONG before = system();
    ULONGLONG ours = gTickCount64Import();
    ULONGLONG after = system();
    EXPECT_LE(before, ours);
    EXPECT_LE(ours, after);
}

TEST(TickCount64, TimedWaitsOfTheThreadLibraryRunTheirTime)
{
    // A timed lock of a held mutex waits through the thread library, which measures the wait
    // with GetTickCount64.
    std::timed_mutex held;
    held.lock();
    bool locked = true;
    auto start = std::chrono::steady_clock::now();
    std::thread([&] { locked = held.try_lock_for(std::chrono::milliseconds(100)); }).join();
    EXPECT_FALSE(locked);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
    held.unlock();
}

}  // namespace
