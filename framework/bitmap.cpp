#include "bitmap.h"

#include "win_app.h"

BOOL CBitmap::LoadBitmapResource(UINT id)
{
    DeleteObject();
    m_bitmap = ::LoadBitmapA(ResourceInstance(), MAKEINTRESOURCEA(id));
    return m_bitmap != nullptr;
}

void CBitmap::DeleteObject()
{
    if (m_bitmap) {
        ::DeleteObject(m_bitmap);
        m_bitmap = nullptr;
    }
}

SIZE CBitmap::Size() const
{
    BITMAP info = {};
    if (!m_bitmap || !::GetObjectA(m_bitmap, sizeof(info), &info)) {
        return SIZE{0, 0};
    }
    return SIZE{info.bmWidth, info.bmHeight};
}
