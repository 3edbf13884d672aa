#include "stretch_image.h"

#include "memory_dc.h"

BOOL DrawImage(HDC dc, int x, int y, int width, int height, HDC source, int sourceWidth, int sourceHeight)
{
    if (width == sourceWidth && height == sourceHeight) {
        return ::BitBlt(dc, x, y, width, height, source, 0, 0, SRCCOPY);
    }
    const int oldMode = ::SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin = {};
    // Halftone stretching needs the brush origin set again after the mode.
    ::SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    const BOOL drawn = ::StretchBlt(dc, x, y, width, height, source, 0, 0, sourceWidth, sourceHeight, SRCCOPY);
    ::SetStretchBltMode(dc, oldMode);
    ::SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    return drawn;
}

HBITMAP ResizedCopy(HBITMAP image, int width, int height)
{
    BITMAP size = {};
    if (!image || !::GetObjectA(image, sizeof(size), &size) || width <= 0 || height <= 0) {
        return nullptr;
    }
    MemoryDC source(nullptr);
    MemoryDC target(nullptr, width, height);
    ScopedSelection selected(source.Get(), image);
    if (!selected || !target ||
        !DrawImage(target.Get(), 0, 0, width, height, source.Get(), size.bmWidth, size.bmHeight)) {
        return nullptr;
    }
    return target.DetachBitmap();
}
