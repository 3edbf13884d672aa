#pragma once
// ScopedSelection: selects a GDI object (bitmap, brush, pen, font) into a device context and
// selects the previous one back when it ends, so that the object can then be deleted.
#include <windows.h>

#include <utility>

class ScopedSelection {
public:
    ScopedSelection() = default;
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? ::SelectObject(dc, object) : nullptr)
    {
        if (!previous_)
            dc_ = nullptr;
    }
    ScopedSelection(ScopedSelection&& other) noexcept
        : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr))
    {
    }
    ScopedSelection& operator=(ScopedSelection&& other) noexcept
    {
        if (this != &other) {
            Restore();
            dc_ = std::exchange(other.dc_, nullptr);
            previous_ = std::exchange(other.previous_, nullptr);
        }
        return *this;
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;
    ~ScopedSelection() { Restore(); }

    // Whether the object went into the device context.
    explicit operator bool() const { return previous_ != nullptr; }

    // Selects the previous object back now.
    void Restore()
    {
        if (previous_)
            ::SelectObject(dc_, previous_);
        dc_ = nullptr;
        previous_ = nullptr;
    }

private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};
