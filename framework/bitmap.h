// Owner of one GDI bitmap.
#pragma once

#include "unique_handle.h"

#include <windows.h>

class CBitmap {
public:
    CBitmap() = default;
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    // Loads a bitmap resource of the program; FALSE (and empty) when it is missing.
    BOOL LoadBitmapResource(UINT id);
    void DeleteObject();

    HBITMAP Handle() const { return m_bitmap.Get(); }
    operator HBITMAP() const { return m_bitmap.Get(); }
    // Size in pixels; (0, 0) when empty.
    SIZE Size() const;

private:
    UniqueGdiObject<HBITMAP> m_bitmap;
};
