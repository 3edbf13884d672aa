// Stress of the automation library in one process, with fixed, bounded loops:
//   kvobject_stress cycles [N]  creates an engine, starts a scan, cancels it and releases the
//                               engine N times (default 200); handles, threads and private bytes
//                               before and after must stay level.
//   kvobject_stress silent      one GetNumUpdates against a service that accepts connections
//                               and never answers: it must give up after its 10 s limit.
// Prints its figures; exit code 0 when they are within bounds.
// Sockets first: the server's header must come before windows.h.
#include "loopback_server.h"
#include "com_ptr.h"
#include "kvobject_library.h"
#include "unique_handle.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The port the loopback build of the library sends its update-count request to.
constexpr int kServicePort = KORVALA_COUNT_TEST_PORT;
// Growth tolerated after the warm-up: caches of the system libraries settle in the first cycles.
constexpr DWORD kHandleSlack = 16;
constexpr SIZE_T kPrivateBytesSlack = SIZE_T{4} * 1024 * 1024;

struct ProcessFigures {
    DWORD handles = 0;         // 0 where the system does not count them (Wine)
    uintptr_t nextHandle = 0;  // the value a new handle gets: handles are given the lowest free slot
    DWORD threads = 0;
    SIZE_T privateBytes = 0;  // committed private memory (the page file usage)
    SIZE_T workingSet = 0;
};

uintptr_t NextHandleValue()
{
    // The probe is closed again at once: its slot is the next free one.
    return reinterpret_cast<uintptr_t>(UniqueKernelHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr)).Get());
}

DWORD ThreadCount()
{
    UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot)
        return 0;
    DWORD count = 0;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more; more = Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ++count;
    }
    return count;
}

ProcessFigures Measure()
{
    ProcessFigures figures;
    GetProcessHandleCount(GetCurrentProcess(), &figures.handles);
    figures.nextHandle = NextHandleValue();
    figures.threads = ThreadCount();
    PROCESS_MEMORY_COUNTERS memory;
    std::memset(&memory, 0, sizeof memory);
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) {
        figures.privateBytes = memory.PagefileUsage;
        figures.workingSet = memory.WorkingSetSize;
    }
    return figures;
}

void Print(const char* when, const ProcessFigures& figures)
{
    std::printf("%-7s handles %lu (next handle 0x%lx), threads %lu, private bytes %lu, working set %lu\n", when,
                static_cast<unsigned long>(figures.handles), static_cast<unsigned long>(figures.nextHandle),
                static_cast<unsigned long>(figures.threads), static_cast<unsigned long>(figures.privateBytes),
                static_cast<unsigned long>(figures.workingSet));
}

// One life of an engine: created, a scan started, let run briefly, cancelled, waited for, released.
bool Cycle(const KVObjectLibrary& library, int index)
{
    ComPtr<IKVEngine> engine;
    engine.Attach(library.NewEngine());
    if (!engine)
        return false;
    bool ok = SUCCEEDED(engine->BeginScan(index % 3));
    Sleep(index % 5);
    ok = ok && SUCCEEDED(engine->CancelScan());
    return ok && WaitForScanEnd(engine.Get(), 30000) == 2;
}

int RunCycles(int cycles)
{
    KVObjectLibrary library;
    if (!library.Loaded()) {
        std::printf("KVObject.dll not found beside the program\n");
        return 1;
    }
    // The first cycles load what the scan passes need for the life of the process.
    for (int i = 0; i < 3; ++i)
        Cycle(library, i);
    Sleep(200);
    ProcessFigures before = Measure();
    int failed = 0;
    DWORD start = GetTickCount();
    for (int i = 0; i < cycles; ++i) {
        if (!Cycle(library, i))
            ++failed;
    }
    DWORD elapsed = GetTickCount() - start;
    // Workers end on their own after the engine is released; give the last one time to go.
    Sleep(500);
    ProcessFigures after = Measure();
    std::printf("cycles %d (create, scan, cancel, release), failed %d, %lu ms\n", cycles, failed,
                static_cast<unsigned long>(elapsed));
    Print("before", before);
    Print("after", after);
    bool level = after.handles <= before.handles + kHandleSlack &&
                 after.nextHandle <= before.nextHandle + uintptr_t{4} * kHandleSlack &&
                 after.threads <= before.threads && after.privateBytes <= before.privateBytes + kPrivateBytesSlack;
    std::printf("%s\n", failed == 0 && level ? "STABLE" : "UNSTABLE");
    return failed == 0 && level ? 0 : 1;
}

int RunSilent()
{
    KVObjectLibrary library;
    ComPtr<IKVEngine> engine;
    if (library.Loaded())
        engine.Attach(library.NewEngine());
    if (!engine) {
        std::printf("KVObject.dll not found beside the program\n");
        return 1;
    }
    LoopbackServer silent(kServicePort);
    if (silent.Port() != kServicePort) {
        std::printf("port %d is taken\n", kServicePort);
        return 1;
    }
    DWORD start = GetTickCount();
    int count = 99;
    HRESULT result = engine->GetNumUpdates(&count);
    DWORD elapsed = GetTickCount() - start;
    engine.Reset();
    std::printf("GetNumUpdates against a silent service: result 0x%08lx, count %d, %lu ms\n",
                static_cast<unsigned long>(result), count, static_cast<unsigned long>(elapsed));
    bool bounded = result == S_OK && count == -1 && elapsed >= 9900 && elapsed < 15000;
    std::printf("%s\n", bounded ? "BOUNDED" : "UNBOUNDED");
    return bounded ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (FAILED(CoInitialize(nullptr)))
        return 1;
    int status = 2;
    if (argc >= 2 && std::strcmp(argv[1], "cycles") == 0)
        status = RunCycles(argc >= 3 ? std::atoi(argv[2]) : 200);
    else if (argc == 2 && std::strcmp(argv[1], "silent") == 0)
        status = RunSilent();
    else
        std::printf("usage: kvobject_stress cycles [N] | silent\n");
    CoUninitialize();
    return status;
}
