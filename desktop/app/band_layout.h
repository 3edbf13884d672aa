// The main window's band in pixels: its size at start, the steps of the grow animation, the extra
// height when maximised and the distances of the right-aligned controls from the window's right
// edge. The numbers are those of a desktop at 96 DPI whose dialog font has its usual 13-pixel
// line. With more pixels per inch the window frame grows with the DPI, and with a larger dialog
// font (more pixels per inch, or an East Asian font) the template's controls grow with the font;
// the band then grows by the larger of the two factors, so that it still holds every control.
#pragma once

#include <array>

// A factor numerator / denominator, never below 1.
class BandScale {
public:
    BandScale() = default;
    // dpiX, dpiY: the screen's pixels per logical inch; lineHeight: the dialog's vertical base
    // unit, the pixels of 8 vertical dialog units. Values that are not positive are left out.
    static BandScale For(int dpiX, int dpiY, int lineHeight);

    // `pixels` at 96 DPI on this scale, rounded to the nearest pixel.
    int Apply(int pixels) const;
    bool IsOne() const { return m_numerator == m_denominator; }

private:
    BandScale(int numerator, int denominator) : m_numerator(numerator), m_denominator(denominator) {}

    int m_numerator = 1;
    int m_denominator = 1;
};

// One control that keeps its left edge `offset` pixels left of the window's right edge.
struct RightOffset {
    int id;
    int offset;
};

struct BandLayout {
    // The window grows in this many timer ticks; the tick after the last one ends the animation.
    static constexpr int kGrowSteps = 31;

    BandScale scale;
    int width;
    int collapsedHeight;  // the header band only: the window's height at start and during a scan
    int growStepHeight;
    int maximisedExtraHeight;
    std::array<RightOffset, 9> rightOffsets;

    // The height the grow animation ends at.
    int ExpandedHeight() const { return collapsedHeight + (kGrowSteps - 1) * growStepHeight; }
};

BandLayout LayoutBand(const BandScale& scale);
