// Owner of one GDI bitmap.
#pragma once

#include <windows.h>

class CBitmap {
public:
    CBitmap() = default;
    ~CBitmap() { DeleteObject(); }
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    // Loads a bitmap resource of the program; FALSE (and empty) when it is missing.
    BOOL LoadBitmapResource(UINT id);
    void DeleteObject();

    HBITMAP Handle() const { return m_bitmap; }
    operator HBITMAP() const { return m_bitmap; }
    // Size in pixels; (0, 0) when empty.
    SIZE Size() const;

private:
    HBITMAP m_bitmap = nullptr;
};
