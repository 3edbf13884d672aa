#include "band_layout.h"
#include "resource_ids.h"

#include <gtest/gtest.h>

#include <map>

namespace {

TEST(BandLayout, FollowsTheLargerOfTheDpiAndTheDialogFontAndNeverShrinks)
{
    struct Case {
        const char* desktop;
        int dpiX, dpiY, lineHeight;
        int width, collapsedHeight, growStep, expandedHeight, maximisedExtra, closeOffset, optionsOffset;
    } cases[] = {
        {"96 DPI, usual font", 96, 96, 13, 800, 128, 14, 548, 15, 30, 315},
        {"96 DPI, smaller font", 96, 96, 12, 800, 128, 14, 548, 15, 30, 315},
        {"120 DPI (125 %)", 120, 120, 15, 1000, 160, 18, 700, 19, 38, 394},
        {"144 DPI (150 %)", 144, 144, 19, 1200, 192, 21, 822, 23, 45, 473},
        {"192 DPI (200 %)", 192, 192, 25, 1600, 256, 28, 1096, 30, 60, 630},
        // A taller dialog font at 96 DPI (East Asian systems): 16 / 13 of everything.
        {"96 DPI, 16-pixel font", 96, 96, 16, 985, 158, 17, 668, 18, 37, 388},
        // The font outgrows the DPI: the font decides.
        {"120 DPI, 17-pixel font", 120, 120, 17, 1046, 167, 18, 707, 20, 39, 412},
        {"only the horizontal DPI raised", 120, 96, 13, 1000, 160, 18, 700, 19, 38, 394},
        {"nothing known", 0, -1, 0, 800, 128, 14, 548, 15, 30, 315},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.desktop);
        const BandLayout band = LayoutBand(BandScale::For(c.dpiX, c.dpiY, c.lineHeight));
        EXPECT_EQ(band.width, c.width);
        EXPECT_EQ(band.collapsedHeight, c.collapsedHeight);
        EXPECT_EQ(band.growStepHeight, c.growStep);
        EXPECT_EQ(band.ExpandedHeight(), c.expandedHeight);
        EXPECT_EQ(band.maximisedExtraHeight, c.maximisedExtra);
        std::map<int, int> offsets;
        for (const RightOffset& control : band.rightOffsets) {
            offsets[control.id] = control.offset;
        }
        EXPECT_EQ(offsets[IDC_CLOSE], c.closeOffset);
        EXPECT_EQ(offsets[IDC_OPTIONS], c.optionsOffset);
    }
}

TEST(BandLayout, OneIsExactlyOne)
{
    const BandScale one = BandScale::For(96, 96, 13);
    EXPECT_TRUE(one.IsOne());
    for (int pixels : {0, 1, 7, 137, 835}) {
        EXPECT_EQ(one.Apply(pixels), pixels);
    }
    EXPECT_FALSE(BandScale::For(97, 96, 13).IsOne());
}

}  // namespace
