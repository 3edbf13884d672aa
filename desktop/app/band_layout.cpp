#include "band_layout.h"

#include "resource_ids.h"

#include <cstdlib>

namespace {

const int kReferenceDpi = 96;
const int kReferenceLineHeight = 13;

const int kWidth = 800;
const int kCollapsedHeight = 128;
const int kGrowStepHeight = 14;
const int kMaximisedExtraHeight = 15;

// Every control at 96 DPI: the buttons and the busy caption as large as their images, the progress
// bar at the dialog font's usual 1.5 x 1.625 pixels per dialog unit. The busy picture and caption,
// which do not move, keep the place of earlier versions: their template's place on a dialog font
// of 7 x 13 pixels per 4 x 8 dialog units.
const std::array<BandControl, 11> kControls = {{
    {IDC_SCAN, 248, 0, 65, 57, 21},
    {IDC_PROGRESS, 185, 0, 68, 137, 16},
    {IDC_OPTIONS, 315, 0, 65, 65, 21},
    {IDC_CLOSE, 30, 0, 3, 24, 24},
    {IDC_MINIMISE, 90, 0, 3, 24, 24},
    {IDC_MAXIMISE, 60, 0, 3, 24, 24},
    {IDC_HELP_PAGE, 138, 0, 10, 33, 16},
    {IDC_ABOUT_PAGE, 179, 0, 10, 38, 16},
    {IDC_DOWNLOADS, 282, 0, 10, 98, 16},
    {IDC_BUSY_ANIMATION, 0, 604, 86, 0, 0},
    {IDC_BUSY_CAPTION, 0, 628, 89, 140, 13},
}};

const ImageStep kImageSteps[] = {{100, 0}, {125, 1}, {150, 2}, {200, 3}};

}  // namespace

int ImageStep::Id(int id) const
{
    return IMAGE_AT_STEP(id, index);
}

BandScale BandScale::For(int dpiX, int dpiY, int lineHeight)
{
    BandScale largest;
    const BandScale candidates[] = {{dpiX, kReferenceDpi}, {dpiY, kReferenceDpi}, {lineHeight, kReferenceLineHeight}};
    for (const BandScale& candidate : candidates) {
        // a/b > c/d exactly when a*d > c*b, all of them positive.
        if (candidate.m_numerator > 0 && static_cast<long long>(candidate.m_numerator) * largest.m_denominator >
                                             static_cast<long long>(largest.m_numerator) * candidate.m_denominator) {
            largest = candidate;
        }
    }
    return largest;
}

int BandScale::Apply(int pixels) const
{
    const long long scaled = static_cast<long long>(pixels) * m_numerator;
    return static_cast<int>((scaled + m_denominator / 2) / m_denominator);
}

int BandScale::ApplyDown(int pixels) const
{
    return static_cast<int>(static_cast<long long>(pixels) * m_numerator / m_denominator);
}

ImageStep BandScale::NearestImageStep() const
{
    // |n/d - p/100| compared as |100 n - p d|, the common factor 100 d left out.
    const ImageStep* nearest = &kImageSteps[0];
    long long nearestDistance = -1;
    for (const ImageStep& step : kImageSteps) {
        const long long distance =
            std::llabs(100LL * m_numerator - static_cast<long long>(step.percent) * m_denominator);
        if (nearestDistance < 0 || distance <= nearestDistance) {
            nearest = &step;
            nearestDistance = distance;
        }
    }
    return *nearest;
}

bool BandScale::Is(const ImageStep& step) const
{
    return 100LL * m_numerator == static_cast<long long>(step.percent) * m_denominator;
}

int BandScale::FromStep(int pixels, const ImageStep& step) const
{
    const long long numerator = 100LL * pixels * m_numerator;
    const long long denominator = static_cast<long long>(step.percent) * m_denominator;
    return static_cast<int>((numerator + denominator / 2) / denominator);
}

BandLayout LayoutBand(const BandScale& scale)
{
    BandLayout layout = {scale,
                         scale.NearestImageStep(),
                         scale.Apply(kWidth),
                         scale.Apply(kCollapsedHeight),
                         scale.Apply(kGrowStepHeight),
                         scale.Apply(kMaximisedExtraHeight),
                         kControls};
    for (BandControl& control : layout.controls) {
        control.rightOffset = scale.Apply(control.rightOffset);
        control.left = scale.ApplyDown(control.left);
        control.top = scale.ApplyDown(control.top);
        control.width = scale.Apply(control.width);
        control.height = scale.Apply(control.height);
    }
    return layout;
}
