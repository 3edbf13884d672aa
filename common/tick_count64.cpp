// GetTickCount64 for the binaries that must load on Windows XP, which lacks it. The statically
// linked POSIX thread library calls it through its import pointer; this definition of that
// pointer wins over the import library, so the binaries import no such function. The first
// call binds the system's own function where it exists (Vista and later) and otherwise extends
// GetTickCount to 64 bits.
#include "tick_count_extension.h"

#include <windows.h>

#include <atomic>

namespace {

using TickCount64Function = ULONGLONG(WINAPI*)();

// No function-local static with a guard here: the guard's lock may itself wait, and waits call
// back into this function.
std::atomic<uint64_t> gLastTickCount{0};
std::atomic<TickCount64Function> gSystemTickCount64{nullptr};
std::atomic<bool> gBound{false};

ULONGLONG WINAPI ExtendedTickCount()
{
    uint64_t previous = gLastTickCount.load();
    uint64_t next = 0;
    do {
        next = ExtendTickCount(previous, GetTickCount());
    } while (!gLastTickCount.compare_exchange_weak(previous, next));
    return next;
}

ULONGLONG WINAPI TickCount64()
{
    // Two threads that bind at once store the same result.
    if (!gBound.load()) {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        gSystemTickCount64 = kernel ? reinterpret_cast<TickCount64Function>(
                                          reinterpret_cast<void*>(GetProcAddress(kernel, "GetTickCount64")))
                                    : nullptr;
        gBound = true;
    }
    TickCount64Function system = gSystemTickCount64.load();
    return system ? system() : ExtendedTickCount();
}

}  // namespace

#ifdef _WIN64
#define KORVALA_TICK_COUNT64_IMPORT "__imp_GetTickCount64"
#else
#define KORVALA_TICK_COUNT64_IMPORT "__imp__GetTickCount64@0"
#endif

extern "C" {
extern TickCount64Function gTickCount64Import __asm__(KORVALA_TICK_COUNT64_IMPORT);
TickCount64Function gTickCount64Import = TickCount64;
}
