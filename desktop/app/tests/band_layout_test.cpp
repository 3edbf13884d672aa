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
        int imagePercent;
        bool imagesStretched;
        int aboutWidth, captionLeft, captionTop;
    } cases[] = {
        {"96 DPI, usual font", 96, 96, 13, 800, 128, 14, 548, 15, 30, 315, 100, false, 38, 628, 89},
        {"96 DPI, smaller font", 96, 96, 12, 800, 128, 14, 548, 15, 30, 315, 100, false, 38, 628, 89},
        {"120 DPI (125 %)", 120, 120, 15, 1000, 160, 18, 700, 19, 38, 394, 125, false, 48, 785, 111},
        {"144 DPI (150 %)", 144, 144, 19, 1200, 192, 21, 822, 23, 45, 473, 150, false, 57, 942, 133},
        {"168 DPI (175 %), between two steps: the larger", 168, 168, 22, 1400, 224, 25, 974, 26, 53, 551, 200, true, 67,
         1099, 155},
        {"192 DPI (200 %)", 192, 192, 25, 1600, 256, 28, 1096, 30, 60, 630, 200, false, 76, 1256, 178},
        // A taller dialog font at 96 DPI (East Asian systems): 16 / 13 of everything, from the
        // 125 % images.
        {"96 DPI, 16-pixel font", 96, 96, 16, 985, 158, 17, 668, 18, 37, 388, 125, true, 47, 772, 109},
        // The font outgrows the DPI: the font decides.
        {"120 DPI, 17-pixel font", 120, 120, 17, 1046, 167, 18, 707, 20, 39, 412, 125, true, 50, 821, 116},
        {"only the horizontal DPI raised", 120, 96, 13, 1000, 160, 18, 700, 19, 38, 394, 125, false, 48, 785, 111},
        {"nothing known", 0, -1, 0, 800, 128, 14, 548, 15, 30, 315, 100, false, 38, 628, 89},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.desktop);
        const BandLayout band = LayoutBand(BandScale::For(c.dpiX, c.dpiY, c.lineHeight));
        EXPECT_EQ(band.width, c.width);
        EXPECT_EQ(band.collapsedHeight, c.collapsedHeight);
        EXPECT_EQ(band.growStepHeight, c.growStep);
        EXPECT_EQ(band.ExpandedHeight(), c.expandedHeight);
        EXPECT_EQ(band.maximisedExtraHeight, c.maximisedExtra);
        EXPECT_EQ(band.images.percent, c.imagePercent);
        EXPECT_EQ(band.ImagesStretched(), c.imagesStretched);
        std::map<int, BandControl> controls;
        for (const BandControl& control : band.controls) {
            controls[control.id] = control;
        }
        EXPECT_EQ(controls[IDC_CLOSE].rightOffset, c.closeOffset);
        EXPECT_EQ(controls[IDC_OPTIONS].rightOffset, c.optionsOffset);
        EXPECT_EQ(controls[IDC_ABOUT_PAGE].width, c.aboutWidth);
        EXPECT_EQ(controls[IDC_BUSY_CAPTION].left, c.captionLeft);
        EXPECT_EQ(controls[IDC_BUSY_CAPTION].top, c.captionTop);
        EXPECT_FALSE(controls[IDC_BUSY_CAPTION].MovesWithRightEdge());
        EXPECT_EQ(controls[IDC_BUSY_ANIMATION].width, 0) << "sized by its picture";
    }
}

TEST(BandLayout, ImagesOfAStepKeepTheirSizeOnItsScale)
{
    for (int dpi : {96, 120, 144, 192}) {
        const BandScale scale = BandScale::For(dpi, dpi, 0);
        const ImageStep step = scale.NearestImageStep();
        EXPECT_TRUE(scale.Is(step)) << dpi;
        EXPECT_EQ(step.Id(IDB_HEADER), IMAGE_AT_STEP(IDB_HEADER, step.index)) << dpi;
        for (int pixels : {0, 1, 7, 137, 1253}) {
            EXPECT_EQ(scale.FromStep(pixels, step), pixels) << dpi;
        }
    }
    // 175 % from the 200 % images: seven eighths.
    const BandScale between = BandScale::For(168, 168, 0);
    EXPECT_EQ(between.FromStep(1670, between.NearestImageStep()), 1461);
    EXPECT_EQ(between.FromStep(48, between.NearestImageStep()), 42);
    EXPECT_EQ(IMAGE_AT_STEP(IDB_RESTORE, 3), 31008);
}

}  // namespace
