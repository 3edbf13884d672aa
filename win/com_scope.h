#pragma once
// COM initialised on the calling thread for the life of the object, when asked for; it is
// uninitialised only when this object's own initialisation succeeded.
#include <objbase.h>

class ComScope {
public:
    explicit ComScope(bool wanted = true) : initialised_(wanted && SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope()
    {
        if (initialised_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};
