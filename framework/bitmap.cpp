#include "bitmap.h"

#include "win_app.h"

BOOL CBitmap::LoadBitmapResource(UINT id)
{
    m_bitmap.Attach(::LoadBitmapA(ResourceInstance(), MAKEINTRESOURCEA(id)));
    return static_cast<bool>(m_bitmap);
}

void CBitmap::DeleteObject()
{
    m_bitmap.Reset();
}

SIZE CBitmap::Size() const
{
    BITMAP info = {};
    if (!m_bitmap || !::GetObjectA(m_bitmap.Get(), sizeof(info), &info)) {
        return SIZE{0, 0};
    }
    return SIZE{info.bmWidth, info.bmHeight};
}
