#include "band_layout.h"

#include "resource_ids.h"

namespace {

const int kReferenceDpi = 96;
const int kReferenceLineHeight = 13;

const int kWidth = 800;
const int kCollapsedHeight = 128;
const int kGrowStepHeight = 14;
const int kMaximisedExtraHeight = 15;
const std::array<RightOffset, 9> kRightOffsets = {{
    {IDC_SCAN, 248},
    {IDC_PROGRESS, 185},
    {IDC_OPTIONS, 315},
    {IDC_CLOSE, 30},
    {IDC_MINIMISE, 90},
    {IDC_MAXIMISE, 60},
    {IDC_HELP_PAGE, 138},
    {IDC_ABOUT_PAGE, 179},
    {IDC_DOWNLOADS, 282},
}};

}  // namespace

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

BandLayout LayoutBand(const BandScale& scale)
{
    BandLayout layout = {scale,
                         scale.Apply(kWidth),
                         scale.Apply(kCollapsedHeight),
                         scale.Apply(kGrowStepHeight),
                         scale.Apply(kMaximisedExtraHeight),
                         kRightOffsets};
    for (RightOffset& control : layout.rightOffsets) {
        control.offset = scale.Apply(control.offset);
    }
    return layout;
}
