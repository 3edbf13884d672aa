#include "stretch_image.h"

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
    HDC screen = ::GetDC(nullptr);
    HDC source = ::CreateCompatibleDC(screen);
    HDC target = ::CreateCompatibleDC(screen);
    HBITMAP copy = ::CreateCompatibleBitmap(screen, width, height);
    ::ReleaseDC(nullptr, screen);
    bool drawn = false;
    if (source && target && copy) {
        HGDIOBJ previousSource = ::SelectObject(source, image);
        HGDIOBJ previousTarget = ::SelectObject(target, copy);
        drawn = DrawImage(target, 0, 0, width, height, source, size.bmWidth, size.bmHeight) != FALSE;
        ::SelectObject(target, previousTarget);
        ::SelectObject(source, previousSource);
    }
    if (!drawn && copy) {
        ::DeleteObject(copy);
        copy = nullptr;
    }
    if (source) {
        ::DeleteDC(source);
    }
    if (target) {
        ::DeleteDC(target);
    }
    return copy;
}
