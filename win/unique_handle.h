#pragma once
// UniqueHandle: owns one Win32 handle and closes it with the function its type names, once, when
// it is destroyed, reset or handed a new handle. Moves hand the handle on; there are no copies.
// Kinds whose "no handle" is INVALID_HANDLE_VALUE (files, searches, device lists) name
// InvalidHandle as their empty value.
#include <windows.h>

template <typename Handle>
Handle NullHandle()
{
    return Handle{};
}

inline HANDLE InvalidHandle()
{
    return INVALID_HANDLE_VALUE;
}

template <typename Handle, auto Close, Handle (*Empty)() = NullHandle<Handle>>
class UniqueHandle {
public:
    UniqueHandle() = default;
    // Takes over `handle`, which the caller no longer closes.
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Detach()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        Attach(other.Detach());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Empty(); }

    // Closes the handle held.
    void Reset() { Attach(Empty()); }
    // Closes the handle held and takes over `handle`.
    void Attach(Handle handle)
    {
        Handle previous = handle_;
        handle_ = handle;
        if (previous != Empty() && previous != handle)
            Close(previous);
    }
    // Gives the handle up without closing it.
    Handle Detach()
    {
        Handle handle = handle_;
        handle_ = Empty();
        return handle;
    }
    // Closes the handle held and lends its place to a function that returns a new one there.
    Handle* Receive()
    {
        Reset();
        return &handle_;
    }

private:
    Handle handle_ = Empty();
};

// Kernel objects: threads, events, mutexes, processes.
using UniqueKernelHandle = UniqueHandle<HANDLE, &CloseHandle>;
using UniqueFileHandle = UniqueHandle<HANDLE, &CloseHandle, InvalidHandle>;
using UniqueFindHandle = UniqueHandle<HANDLE, &FindClose, InvalidHandle>;
using UniqueRegKey = UniqueHandle<HKEY, &RegCloseKey>;
using UniqueLibrary = UniqueHandle<HMODULE, &FreeLibrary>;
// Pens, brushes, bitmaps, fonts and regions.
template <typename GdiObject>
using UniqueGdiObject = UniqueHandle<GdiObject, &DeleteObject>;

// Waits registered with the system's thread pool (RegisterWaitForSingleObject): unregistered once
// a callback that is running has returned, so that nothing it uses goes before it.
inline BOOL UnregisterWaitAndCallbacks(HANDLE wait)
{
    return ::UnregisterWaitEx(wait, INVALID_HANDLE_VALUE);
}
using UniqueWait = UniqueHandle<HANDLE, &UnregisterWaitAndCallbacks>;
// Memory that a system function allocated for its caller with LocalAlloc (security descriptors).
using UniqueLocalMemory = UniqueHandle<HLOCAL, &LocalFree>;
