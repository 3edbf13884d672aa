#pragma once
// ComPtr: owns one reference to a COM interface, as ATL's CComPtr does. The reference is released
// when the pointer is destroyed, reset or given another; a copy adds a reference of its own, a
// move hands the reference on. Queries and creations into a ComPtr take the interface identifier
// from the pointer's type, so that the identifier and the pointer cannot disagree.
#include <windows.h>
#include <objbase.h>
#include <unknwn.h>

#include <utility>

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    // Shares `pointer`: adds a reference of its own.
    explicit ComPtr(Interface* pointer) : pointer_(pointer)
    {
        if (pointer_)
            pointer_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.pointer_) {}
    ComPtr(ComPtr&& other) noexcept : pointer_(other.Detach()) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(pointer_, other.pointer_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // Releases the reference held.
    void Reset() { Attach(nullptr); }
    // Releases the reference held and takes over `pointer`'s, which the caller no longer releases.
    void Attach(Interface* pointer)
    {
        Interface* previous = pointer_;
        pointer_ = pointer;
        if (previous)
            previous->Release();
    }
    // Gives the reference up without releasing it.
    Interface* Detach()
    {
        Interface* pointer = pointer_;
        pointer_ = nullptr;
        return pointer;
    }
    // Hands a reference of its own to `out` (an out-parameter); E_POINTER when `out` is null.
    HRESULT CopyTo(Interface** out) const
    {
        if (!out)
            return E_POINTER;
        *out = ComPtr(pointer_).Detach();
        return S_OK;
    }
    // Releases the reference held and lends its place to a call that returns a new one there.
    Interface** Receive()
    {
        Reset();
        return &pointer_;
    }
    // The same for calls that take the identifier separately; it must be this type's.
    void** ReceiveAs(REFIID iid)
    {
        return IsEqualIID(iid, __uuidof(Interface)) ? reinterpret_cast<void**>(Receive()) : nullptr;
    }

    // Creates an object of class `clsid` in this process and holds its Interface.
    HRESULT CreateInstance(REFCLSID clsid)
    {
        return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(Interface),
                                  reinterpret_cast<void**>(Receive()));
    }

    // Asks the object held for Other, into `target`; E_POINTER when nothing is held.
    template <typename Other>
    HRESULT QueryInterface(ComPtr<Other>& target) const
    {
        return QueryInterfaceInto(pointer_, target);
    }

private:
    Interface* pointer_ = nullptr;
};

// Asks `source` (any COM object, or null) for Interface, into `target`: S_OK with the interface
// held, or a failure with `target` empty. An object that answers success without an interface
// leaves `target` empty too.
template <typename Interface, typename Source>
HRESULT QueryInterfaceInto(Source* source, ComPtr<Interface>& target)
{
    target.Reset();
    if (!source)
        return E_POINTER;
    return source->QueryInterface(__uuidof(Interface), reinterpret_cast<void**>(target.Receive()));
}
