// The main window's band in pixels: its size at start, the steps of the grow animation, the extra
// height when maximised, the place and size of every control on it and the scale of its images.
// The numbers are those of a desktop at 96 DPI whose dialog font has its usual 13-pixel line.
// With more pixels per inch the window frame grows with the DPI, and with a larger dialog font
// (more pixels per inch, or an East Asian font) the template's controls grow with the font; the
// band then grows by the larger of the two factors, so that it still holds every control. Every
// control is placed and sized in pixels on that scale (the buttons as large as their images),
// never in its template's dialog units, so that the band keeps its proportions whatever the
// dialog font's width.
#pragma once

#include <array>

// The images of the band are drawn for 100, 125, 150 and 200 %.
struct ImageStep {
    int percent;
    int index;  // 0 for 100 %, 1 for 125 %, 2 for 150 %, 3 for 200 %

    // The resource id of this step's copy of the 100 % image `id`.
    int Id(int id) const;
};

// A factor numerator / denominator, never below 1.
class BandScale {
public:
    BandScale() = default;
    // dpiX, dpiY: the screen's pixels per logical inch; lineHeight: the dialog's vertical base
    // unit, the pixels of 8 vertical dialog units. Values that are not positive are left out.
    static BandScale For(int dpiX, int dpiY, int lineHeight);

    // `pixels` at 96 DPI on this scale, rounded to the nearest pixel: a size or a distance.
    int Apply(int pixels) const;
    // `pixels` at 96 DPI on this scale, rounded down: a position. With sizes rounded to the
    // nearest pixel, controls that touch at 96 DPI then stay clear of each other at 125 and 150 %.
    int ApplyDown(int pixels) const;
    // The image step nearest this scale; of two equally near, the larger.
    ImageStep NearestImageStep() const;
    // Whether this scale is exactly the step's, so that its images need no stretching.
    bool Is(const ImageStep& step) const;
    // `pixels` of an image drawn for `step` on this scale, rounded to the nearest pixel.
    int FromStep(int pixels, const ImageStep& step) const;

private:
    BandScale(int numerator, int denominator) : m_numerator(numerator), m_denominator(denominator) {}

    int m_numerator = 1;
    int m_denominator = 1;
};

// One control of the band in client pixels.
struct BandControl {
    int id;
    // Its left edge lies this many pixels left of the window's right edge, wherever the window's
    // edge goes; 0 for a control that stays at `left`.
    int rightOffset;
    int left;
    int top;
    // 0 for a control that takes the size of the picture it shows.
    int width;
    int height;

    bool MovesWithRightEdge() const { return rightOffset > 0; }
};

struct BandLayout {
    // The window grows in this many timer ticks; the tick after the last one ends the animation.
    static constexpr int kGrowSteps = 31;

    BandScale scale;
    ImageStep images;
    int width;
    int collapsedHeight;  // the header band only: the window's height at start and during a scan
    int growStepHeight;
    int maximisedExtraHeight;
    std::array<BandControl, 11> controls;

    // Whether the band's scale lies between two image steps, so that its images are resized.
    bool ImagesStretched() const { return !scale.Is(images); }
    // The height the grow animation ends at.
    int ExpandedHeight() const { return collapsedHeight + (kGrowSteps - 1) * growStepHeight; }
};

BandLayout LayoutBand(const BandScale& scale);
