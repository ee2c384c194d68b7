// The preview's geometry without a window: placement, pointer mapping,
// scroll ranges, thumb positions, wheel zoom and the marker's handle.
#include "ui/PreviewGeometry.h"

#include <gtest/gtest.h>

using TavixCapture::PreviewGeometry;

TEST(PreviewGeometry, ASmallImageIsCentredAndALargeOneFollowsTheScrollPosition)
{
    const PreviewGeometry small(640, 480, 100, {800.0, 600.0}, {37.0, -12.0});
    const PreviewGeometry::Placement centred = small.Place();
    EXPECT_DOUBLE_EQ(centred.x0, 80.0) << "a scroll position is ignored when the image fits";
    EXPECT_DOUBLE_EQ(centred.y0, 60.0);

    const PreviewGeometry large(640, 480, 200, {1000.0, 1000.0}, {-140.0, 5.0});
    const PreviewGeometry::Placement scrolled = large.Place();
    EXPECT_DOUBLE_EQ(scrolled.width, 1280.0);
    EXPECT_DOUBLE_EQ(scrolled.x0, 0.0) << "the minimum puts the left edge on the view's edge";
    EXPECT_DOUBLE_EQ(scrolled.y0, 20.0) << "960 DIPs high fits: centred whatever the position";
}

TEST(PreviewGeometry, PointerMapsToImagePointsAndPixelsAtAnyDpi)
{
    const PreviewGeometry geometry(640, 480, 100, {800.0, 600.0});
    EXPECT_EQ(PreviewGeometry::PixelOf(geometry.ToImage(80 + 12, 60 + 7).x), 12);
    // 0.3 pixel left of the image is still column 0; 1.3 pixels left is not.
    EXPECT_EQ(PreviewGeometry::PixelOf(geometry.ToImage(79.7, 100).x), 0);
    EXPECT_LT(PreviewGeometry::PixelOf(geometry.ToImage(78.7, 100).x), 0);

    // At 144 dpi a client pixel is 2/3 DIP.
    const PreviewGeometry scaled(100, 100, 200, {400.0, 400.0}, {0.0, 0.0}, 144.0, 144.0);
    const PreviewGeometry::Point point = scaled.ToImage(300.0, 300.0); // 200 DIPs: image 50
    EXPECT_FLOAT_EQ(static_cast<float>(point.x), 50.0f);
}

TEST(PreviewGeometry, ScrollRangeKeepsTheImageCentredAtZero)
{
    const PreviewGeometry::ScrollRange range = PreviewGeometry::RangeFor(1280.0, 1000.0);
    EXPECT_EQ(range.minimum, -140);
    EXPECT_EQ(range.page, 500);
    EXPECT_EQ(range.maximum, 639);
    EXPECT_EQ(range.limit, 140);
    EXPECT_FALSE(PreviewGeometry::RangeFor(960.0, 1000.0).Shown());
}

// The image is 10 DIPs wider than the area, and 10 DIPs less high: the
// horizontal bar takes 17 DIPs of height, so a vertical bar is needed too,
// which takes 17 DIPs of width.
TEST(PreviewGeometry, BothBarsAreDecidedTogether)
{
    const PreviewGeometry geometry(410, 290, 100, {0.0, 0.0});
    const PreviewGeometry::ScrollLayout layout = geometry.Layout({400.0, 300.0}, 17.0, 17.0);
    EXPECT_DOUBLE_EQ(layout.view.width, 383.0);
    EXPECT_DOUBLE_EQ(layout.view.height, 283.0);
    EXPECT_EQ(layout.horizontal.limit - layout.horizontal.minimum, 27);
    EXPECT_EQ(layout.vertical.limit - layout.vertical.minimum, 7);

    const PreviewGeometry fits(390, 290, 100, {0.0, 0.0});
    const PreviewGeometry::ScrollLayout none = fits.Layout({400.0, 300.0}, 17.0, 17.0);
    EXPECT_FALSE(none.horizontal.Shown());
    EXPECT_FALSE(none.vertical.Shown());
}

TEST(PreviewGeometry, ThumbPositionBeyondSixteenBitsKeepsItsPlace)
{
    // An 8000-pixel image at 1000 % in a 1000-DIP view.
    const PreviewGeometry::ScrollRange range = PreviewGeometry::RangeFor(80000.0, 1000.0);
    EXPECT_EQ(range.limit, 39500);
    EXPECT_EQ(PreviewGeometry::ThumbPosition(39500 & 0xFFFF, 39500, 0, range), 39500);
    // The platform reset its tracking position at the release: the 16 bits
    // and where the thumb was tracked to decide.
    EXPECT_EQ(PreviewGeometry::ThumbPosition(39500 & 0xFFFF, 0, 39480, range), 39500);
    EXPECT_EQ(PreviewGeometry::ThumbPosition(-39500 & 0xFFFF, 0, -39400, range), -39500);
    EXPECT_EQ(PreviewGeometry::ThumbPosition(12, 12, 0, range), 12);
}

TEST(PreviewGeometry, WheelZoomCompoundsWithinItsLimitsAndKeepsThePointOnThePointer)
{
    EXPECT_EQ(PreviewGeometry::WheelRatio(100, 120), 110);
    EXPECT_EQ(PreviewGeometry::WheelRatio(110, 120), 121);
    EXPECT_EQ(PreviewGeometry::WheelRatio(100, -120), 91);
    EXPECT_EQ(PreviewGeometry::WheelRatio(100, 60), 105);
    EXPECT_EQ(PreviewGeometry::WheelRatio(1000, 120), 1000);
    EXPECT_EQ(PreviewGeometry::WheelRatio(10, -120), 10);

    // Pointer at (700, 100) over a 640x480 image at 400 % scrolled to (300, -200).
    const PreviewGeometry before(640, 480, 400, {1000.0, 800.0}, {300.0, -200.0});
    const PreviewGeometry::Point image = before.ToImage(700.0, 100.0);
    const PreviewGeometry::Point scroll = before.AnchoredScroll(700.0, 100.0, 440, {1000.0, 800.0});
    const PreviewGeometry after(640, 480, 440, {1000.0, 800.0}, scroll);
    const PreviewGeometry::Point same = after.ToImage(700.0, 100.0);
    EXPECT_NEAR(same.x, image.x, 1e-3);
    EXPECT_NEAR(same.y, image.y, 1e-3);
}

TEST(PreviewGeometry, TheMarkerHandleIsWithinTwentyDipsOfTheCrossing)
{
    // Marker (100, 100) of a 640x480 image centred in 800x600: crossing at (180.5, 160.5).
    const PreviewGeometry geometry(640, 480, 100, {800.0, 600.0});
    EXPECT_TRUE(geometry.IsOnMarkerHandle(190.0, 165.0, 100, 100));
    EXPECT_TRUE(geometry.IsOnMarkerHandle(180.5 + 19.9, 160.5, 100, 100));
    EXPECT_FALSE(geometry.IsOnMarkerHandle(180.5 + 20.1, 160.5, 100, 100));
}
