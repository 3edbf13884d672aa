#pragma once
// MemoryDC: a memory device context compatible with another one, optionally with a bitmap of its
// own selected into it (an off-screen canvas). At its end the bitmap is selected out, the device
// context deleted and then the bitmap.
#include "scoped_selection.h"
#include "unique_handle.h"
#include "window_dc.h"

#include <windows.h>

#include <utility>

class MemoryDC {
public:
    MemoryDC() = default;
    // A device context to select bitmaps into; `compatibleWith` null means the screen.
    explicit MemoryDC(HDC compatibleWith) : dc_(::CreateCompatibleDC(compatibleWith)) {}
    // A canvas: a device context with a bitmap of `width` by `height` compatible with
    // `compatibleWith` (null: the screen), selected. Empty unless both could be made.
    MemoryDC(HDC compatibleWith, int width, int height) : MemoryDC(compatibleWith)
    {
        if (dc_)
            bitmap_.Attach(CompatibleBitmap(compatibleWith, width, height));
        if (bitmap_)
            selection_ = ScopedSelection(dc_.Get(), bitmap_.Get());
        if (!selection_) {
            dc_.Reset();
            bitmap_.Reset();
        }
    }

    MemoryDC(MemoryDC&& other) noexcept = default;
    MemoryDC& operator=(MemoryDC&& other) noexcept
    {
        if (this != &other) {
            Reset();
            bitmap_ = std::move(other.bitmap_);
            dc_ = std::move(other.dc_);
            selection_ = std::move(other.selection_);
        }
        return *this;
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC() { Reset(); }

    // Selects the bitmap out, deletes the device context and then the bitmap.
    void Reset()
    {
        selection_.Restore();
        dc_.Reset();
        bitmap_.Reset();
    }

    // Ends the device context and hands its bitmap over to the caller; null when it has none.
    HBITMAP DetachBitmap()
    {
        selection_.Restore();
        dc_.Reset();
        return bitmap_.Detach();
    }

    HDC Get() const { return dc_.Get(); }
    explicit operator bool() const { return static_cast<bool>(dc_); }

private:
    // A bitmap takes its format from a device context: null stands for the screen's.
    static HBITMAP CompatibleBitmap(HDC dc, int width, int height)
    {
        if (!dc)
            return ::CreateCompatibleBitmap(WindowDC(nullptr).Get(), width, height);
        return ::CreateCompatibleBitmap(dc, width, height);
    }

    UniqueGdiObject<HBITMAP> bitmap_;
    UniqueHandle<HDC, &DeleteDC> dc_;
    ScopedSelection selection_;
};
