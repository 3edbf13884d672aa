// Built into a test build of KVObject only: the library's own C++ allocations fail while a test
// asks for it, so that tests can show that running out of memory inside a COM method or a worker
// thread leaves the host process alive. The library links the C++ runtime statically, so these
// operators serve its allocations and no others in the process.
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> failing{false};

}  // namespace

// Found by the tests with GetProcAddress: non-zero makes every allocation fail from now on.
extern "C" __declspec(dllexport) void KVObjectFailAllocations(BOOL fail)
{
    failing = fail != FALSE;
}

void* operator new(std::size_t size)
{
    void* block = failing ? nullptr : std::malloc(size != 0 ? size : 1);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return failing ? nullptr : std::malloc(size != 0 ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept
{
    return operator new(size, nothrow);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete[](void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}
