#pragma once
// Keeps C++ exceptions inside the library. An exception that leaves a COM method or a thread
// entry ends the host process (a browser, a script host), so every one of them runs its body
// through ContainFailures and reports the failure as a result instead.
#include <windows.h>

#include <new>

// body() returns an HRESULT; running out of memory gives E_OUTOFMEMORY, any other exception
// E_UNEXPECTED.
template <typename Body>
HRESULT ContainFailures(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
