// A progress bar whose filled part is a tiled bitmap.
#pragma once

#include "controls.h"
#include "self_painted.h"
#include "unique_handle.h"

class CSkinProgress : public CSelfPainted<CSkinProgress, CProgressCtrl> {
    using Base = CSelfPainted<CSkinProgress, CProgressCtrl>;
    friend Base;

public:
    // Takes ownership of `bitmap` (null only removes the fill bitmap). FALSE when it can't be read.
    BOOL SetBitmap(HBITMAP bitmap, BOOL redraw = TRUE);
    // Loads the fill bitmap from the program's resources.
    BOOL SetBitmap(UINT resourceId, BOOL redraw = TRUE);
    void SetRange(long lower, long upper);
    // Also tells assistive technology when the percent shown changes.
    void SetPos(long position);

    // A progress bar whose value is the percent shown ("42%"), named as SetAccessibleName says.
    bool GetAccessibleFacts(AccessibleFacts& facts) const override;

    // Called at the end of each painting; draws nothing here.
    virtual void DrawOverlay(HDC dc, int percent, const RECT& client, const RECT& filled, BOOL vertical);

private:
    // Painted by this class: with a fill bitmap, or in the system's colours under high contrast.
    bool PaintsItself() const;
    void PaintClient(HDC dc);
    int Percent() const;

    long m_lower = 0;
    long m_upper = 100;
    long m_range = 100;
    long m_position = 0;
    UniqueGdiObject<HBITMAP> m_fill;
    int m_fillWidth = 0;
    int m_fillHeight = 0;
};
