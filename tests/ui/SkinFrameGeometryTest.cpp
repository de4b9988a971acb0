#include "ui/SkinFrameGeometry.h"

#include <gtest/gtest.h>

namespace {

using norvanta::ui::CaptionButton;
using norvanta::ui::HitArea;
using norvanta::ui::SkinFrameGeometry;
using norvanta::ui::SkinMeasures;

// The sizes of the shipped skin images.
SkinMeasures shipped()
{
    return SkinMeasures{{10, 40}, {1, 40}, {10, 40}, {10, 1}, {10, 1}, {1, 17}, {16, 17}, {16, 17}, {26, 18}};
}

TEST(SkinFrameGeometry, ShippedSkinInsetsTheClientArea40_10_10_17)
{
    const SkinFrameGeometry frame(shipped());
    EXPECT_EQ(frame.clientInsets(), QMargins(10, 40, 10, 17));
    EXPECT_EQ(frame.windowSizeFor(QSize(422, 422)), QSize(442, 479));
    EXPECT_EQ(frame.clientRect(QSize(442, 479)), QRect(10, 40, 422, 422));
    EXPECT_EQ(frame.buttonRightMargin(), 10);
}

TEST(SkinFrameGeometry, MissingImagesLeaveTheirEdgeToTheFrameThickness)
{
    SkinMeasures measures = shipped();
    measures.captionCenter = {};
    measures.frameRight = {};
    measures.captionRight = {};
    const SkinFrameGeometry frame(measures, 3);
    EXPECT_EQ(frame.clientInsets(), QMargins(10, 3, 3, 17));
    EXPECT_EQ(frame.buttonRightMargin(), 6);
    EXPECT_TRUE(SkinFrameGeometry(SkinMeasures{}).clientInsets().isNull());
}

TEST(SkinFrameGeometry, TooSmallAWindowHasNoClientArea)
{
    EXPECT_TRUE(SkinFrameGeometry(shipped()).clientRect(QSize(15, 50)).isEmpty());
}

struct ButtonCase {
    int width;
    bool maximized;
    int frame;
    QRect close;
    QRect minimize;
};

class SkinFrameButtons : public testing::TestWithParam<ButtonCase> {};

// Close covers x W-36..W-11 and minimize W-62..W-37, rows 3-20 (three rows below the
// window's top edge); a maximized window with a platform frame moves them down by it.
TEST_P(SkinFrameButtons, SitLeftOfTheRightCaptionEnd)
{
    const ButtonCase& c = GetParam();
    const SkinFrameGeometry frame(shipped(), c.frame);
    const QSize window(c.width, 300);
    EXPECT_EQ(frame.buttonRect(CaptionButton::Close, window, c.maximized), c.close);
    EXPECT_EQ(frame.buttonRect(CaptionButton::Minimize, window, c.maximized), c.minimize);
    EXPECT_TRUE(frame.buttonRect(CaptionButton::None, window, c.maximized).isNull());
    EXPECT_EQ(frame.buttonAt(c.close.topLeft(), window, c.maximized), CaptionButton::Close);
    EXPECT_EQ(frame.buttonAt(c.close.bottomRight(), window, c.maximized), CaptionButton::Close);
    EXPECT_EQ(frame.buttonAt(c.minimize.topLeft(), window, c.maximized), CaptionButton::Minimize);
    EXPECT_EQ(frame.buttonAt(c.minimize.bottomRight(), window, c.maximized), CaptionButton::Minimize);
    EXPECT_EQ(frame.buttonAt(c.close.bottomRight() + QPoint(1, 0), window, c.maximized), CaptionButton::None);
    EXPECT_EQ(frame.buttonAt(c.close.bottomRight() + QPoint(0, 1), window, c.maximized), CaptionButton::None);
    EXPECT_EQ(frame.buttonAt(c.minimize.topLeft() - QPoint(1, 0), window, c.maximized), CaptionButton::None);
}

INSTANTIATE_TEST_SUITE_P(Widths, SkinFrameButtons,
                         testing::Values(ButtonCase{442, false, 0, QRect(406, 3, 26, 18), QRect(380, 3, 26, 18)},
                                         ButtonCase{240, false, 0, QRect(204, 3, 26, 18), QRect(178, 3, 26, 18)},
                                         ButtonCase{442, true, 0, QRect(406, 3, 26, 18), QRect(380, 3, 26, 18)},
                                         ButtonCase{800, false, 4, QRect(764, 7, 26, 14), QRect(738, 7, 26, 14)},
                                         ButtonCase{800, true, 4, QRect(764, 7, 26, 18), QRect(738, 7, 26, 18)}));

TEST(SkinFrameGeometry, HitTestAnswersClientCaptionOrBorder)
{
    const SkinFrameGeometry frame(shipped());
    const QSize window(442, 479);
    EXPECT_EQ(frame.hitTest({10, 40}, window, false), HitArea::Client);
    EXPECT_EQ(frame.hitTest({431, 461}, window, false), HitArea::Client);
    EXPECT_EQ(frame.hitTest({200, 39}, window, false), HitArea::Caption);
    EXPECT_EQ(frame.hitTest({0, 0}, window, false), HitArea::Caption);
    EXPECT_EQ(frame.hitTest({9, 200}, window, false), HitArea::Border);
    EXPECT_EQ(frame.hitTest({432, 200}, window, false), HitArea::Border);
    EXPECT_EQ(frame.hitTest({200, 462}, window, false), HitArea::Border);
    EXPECT_EQ(frame.hitTest({-5, 10}, window, false), HitArea::Border);
}

// While a caption button is held the whole window, and beyond it, answers caption, so
// the release is seen as the frame's wherever it happens.
TEST(SkinFrameGeometry, HeldButtonMakesEverythingCaption)
{
    const SkinFrameGeometry frame(shipped());
    for (QPoint point : {QPoint(200, 200), QPoint(9, 200), QPoint(-50, 900)}) {
        EXPECT_EQ(frame.hitTest(point, QSize(442, 479), true), HitArea::Caption);
    }
}

TEST(SkinFrameGeometry, PlatformFrameWidensTheClientHitArea)
{
    const SkinFrameGeometry frame(shipped(), 3);
    EXPECT_EQ(frame.hitTest({7, 37}, QSize(442, 479), false), HitArea::Client);
    EXPECT_EQ(frame.hitTest({6, 37}, QSize(442, 479), false), HitArea::Caption);
    EXPECT_EQ(frame.hitTest({6, 200}, QSize(442, 479), false), HitArea::Border);
    EXPECT_EQ(frame.hitTest({434, 464}, QSize(442, 479), false), HitArea::Client);
}

class SkinFrameShape : public testing::TestWithParam<QSize> {};

// Only the two top corners are cut, along a 14-pixel ellipse; everything else belongs
// to the window.
TEST_P(SkinFrameShape, RoundsTheTopCornersOnly)
{
    const QSize window = GetParam();
    const QRegion shape = SkinFrameGeometry(shipped()).windowShape(window, false);
    const int w = window.width();
    const int h = window.height();
    for (QPoint outside : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1), QPoint(w - 1, 0), QPoint(w - 2, 0),
                           QPoint(w - 1, 1), QPoint(w - 2, 1)}) {
        EXPECT_FALSE(shape.contains(outside)) << outside.x() << "," << outside.y();
    }
    for (QPoint inside :
         {QPoint(7, 0), QPoint(0, 7), QPoint(3, 3), QPoint(w - 8, 0), QPoint(w - 1, 7), QPoint(w - 4, 3),
          QPoint(0, h - 1), QPoint(w - 1, h - 1), QPoint(w / 2, h / 2), QPoint(w / 2, 0)}) {
        EXPECT_TRUE(shape.contains(inside)) << inside.x() << "," << inside.y();
    }
    int cut = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            cut += shape.contains(QPoint(x, y)) ? 0 : 1;
        }
    }
    EXPECT_GT(cut, 2 * 6);
    EXPECT_LT(cut, 2 * 49);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SkinFrameShape, testing::Values(QSize(442, 479), QSize(240, 100), QSize(1000, 700)));

TEST(SkinFrameGeometry, MaximizedShapeIsCutByThePlatformFrame)
{
    const QRegion shape = SkinFrameGeometry(shipped(), 4).windowShape(QSize(800, 600), true);
    EXPECT_FALSE(shape.contains(QPoint(3, 300)));
    EXPECT_FALSE(shape.contains(QPoint(400, 3)));
    EXPECT_TRUE(shape.contains(QPoint(400, 4)));
    EXPECT_TRUE(shape.contains(QPoint(796, 596)));
    EXPECT_FALSE(shape.contains(QPoint(797, 300)));
}

} // namespace
