#include "ui/QEL_Bitmap.h"
#include "ui/QEL_MemBm.h"

#include <gtest/gtest.h>

namespace {

using QEL::QEL_Draw::QEL_MemBm;

QImage strip(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

TEST(QEL_MemBm, AttachesOnceAndKeepsTheFirstStrip)
{
    QEL_MemBm memory;
    EXPECT_FALSE(memory.IsLoaded());
    EXPECT_EQ(memory.AttachBitmap(strip(52, 13, Qt::red)), 1);
    EXPECT_EQ(memory.Size(), QSize(52, 13));
    EXPECT_EQ(memory.BitsPerPixel(), 24);
    EXPECT_EQ(memory.AttachBitmap(strip(8, 8, Qt::blue)), 1);
    EXPECT_EQ(memory.Size(), QSize(52, 13));
    EXPECT_EQ(memory.Strip().pixel(0, 0), QColor(Qt::red).rgb());
}

TEST(QEL_MemBm, NullImageAttachesNothing)
{
    QEL_MemBm memory;
    EXPECT_EQ(memory.AttachBitmap(QImage()), 0);
    EXPECT_FALSE(memory.IsLoaded());
    EXPECT_TRUE(memory.Keyed(QColor(255, 0, 255)).isNull());
}

// The strips are opaque pictures: a file's own alpha must not make pixels vanish.
TEST(QEL_MemBm, IgnoresTheImagesAlpha)
{
    QImage image(4, 1, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 0));
    QEL_MemBm memory;
    ASSERT_EQ(memory.AttachBitmap(image), 1);
    EXPECT_EQ(memory.Strip().pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(qAlpha(memory.Keyed(QColor(255, 0, 255)).pixel(0, 0)), 255);
}

TEST(QEL_MemBm, KeyedCopyClearsExactlyTheKeyColour)
{
    QImage image = strip(3, 1, QColor(255, 0, 255));
    image.setPixel(1, 0, qRgb(255, 0, 254));
    image.setPixel(2, 0, qRgb(0, 128, 0));
    QEL_MemBm memory;
    ASSERT_EQ(memory.AttachBitmap(image), 1);
    const QImage& keyed = memory.Keyed(QColor(255, 0, 255));
    EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
    EXPECT_EQ(keyed.pixel(1, 0), qRgb(255, 0, 254));
    EXPECT_EQ(keyed.pixel(2, 0), qRgb(0, 128, 0));
    // Another key gives another cut.
    EXPECT_EQ(qAlpha(memory.Keyed(QColor(0, 128, 0)).pixel(2, 0)), 0);
    EXPECT_EQ(qAlpha(memory.Keyed(QColor(0, 128, 0)).pixel(0, 0)), 255);
}

TEST(QEL_Bitmap, MissingFileLeavesTheHolderEmpty)
{
    QEL::QEL_Control::QEL_Bitmap holder;
    EXPECT_EQ(holder.TransparentColor(), QColor(255, 0, 255));
    EXPECT_FALSE(holder.LoadBitmap(QStringLiteral("/nonexistent/153.png")));
    EXPECT_TRUE(holder.Image().isNull());
}

} // namespace
