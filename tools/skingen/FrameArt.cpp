// The grey-and-white frame. Every straight piece carries exact grey levels so that the
// stretched copies line up with the corner pieces; the corners join their two bands
// along a mitre, the way a bevelled picture frame does.

#include "tools/skingen/SkinArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

namespace norvanta::tools::skingen {
namespace {

constexpr std::array<int, 40> kCaptionRows = {142, 243, 252, 245, 239, 236, 226, 220, 214, 210, 206, 216, 216, 216,
                                              217, 219, 220, 222, 223, 224, 225, 226, 227, 228, 229, 231, 234, 235,
                                              236, 237, 237, 237, 223, 219, 156, 231, 240, 248, 253, 171};
constexpr std::array<int, 10> kLeftColumns = {134, 231, 240, 248, 253, 253, 248, 240, 231, 171};
constexpr std::array<int, 10> kRightColumns = {171, 231, 240, 248, 253, 253, 248, 240, 231, 115};
constexpr std::array<int, 17> kBottomRows = {255, 255, 255, 255, 255, 172, 239, 248, 253,
                                             255, 255, 255, 255, 253, 248, 240, 92};

// The caption's lower rows form the top band of the client bevel.
constexpr int kCaptionBandTop = 34;
constexpr int kBorderWidth = 10;
constexpr int kCornerRadius = 7;
constexpr int kOutlineLevel = 134;

QRgb grey(int level)
{
    return qRgb(level, level, level);
}

QImage blank(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(Qt::white);
    return image;
}

// Border level at distance i from the window's outer edge, on either side.
int borderLevel(bool right, int i)
{
    return right ? kRightColumns[static_cast<std::size_t>(kBorderWidth - 1 - i)]
                 : kLeftColumns[static_cast<std::size_t>(i)];
}

// Outside the rounded corner the pixel is key-coloured (the window shape cuts it
// away anyway); on the arc it takes the outline level.
QRgb withCorner(int fromOuter, int y, int level)
{
    if (fromOuter >= kCornerRadius || y >= kCornerRadius) {
        return grey(level);
    }
    const double dx = kCornerRadius - (fromOuter + 0.5);
    const double dy = kCornerRadius - (y + 0.5);
    const double distance = std::sqrt(dx * dx + dy * dy);
    if (distance > kCornerRadius) {
        return kKeyColour;
    }
    return grey(distance > kCornerRadius - 1.2 ? kOutlineLevel : level);
}

// A caption end: caption rows with the outer edge line, and below the caption's dark
// line the side band meeting the caption's bevel rows along a mitre.
QImage captionEnd(bool right)
{
    const int lastRow = static_cast<int>(kCaptionRows.size()) - 1;
    QImage image = blank(kBorderWidth, lastRow + 1);
    for (int y = 0; y <= lastRow; ++y) {
        for (int x = 0; x < kBorderWidth; ++x) {
            const int fromOuter = right ? kBorderWidth - 1 - x : x;
            const bool sideBand = y >= kCaptionBandTop && (kBorderWidth - 1 - fromOuter) >= (lastRow - y);
            const int level = (sideBand || fromOuter == 0) ? borderLevel(right, fromOuter)
                                                           : kCaptionRows[static_cast<std::size_t>(y)];
            image.setPixel(x, y, withCorner(fromOuter, y, level));
        }
    }
    return image;
}

QImage columns(const std::array<int, 10>& levels)
{
    QImage image = blank(kBorderWidth, 1);
    for (int x = 0; x < kBorderWidth; ++x) {
        image.setPixel(x, 0, grey(levels[static_cast<std::size_t>(x)]));
    }
    return image;
}

template <std::size_t N>
QImage rows(const std::array<int, N>& levels)
{
    QImage image = blank(1, static_cast<int>(N));
    for (int y = 0; y < static_cast<int>(N); ++y) {
        image.setPixel(0, y, grey(levels[static_cast<std::size_t>(y)]));
    }
    return image;
}

// A bottom corner: the side band and the bottom band meet along the line from the
// outer corner to the inner one.
QImage bottomCorner(bool right)
{
    constexpr int kWidth = 16;
    constexpr int kHeight = 17;
    constexpr int kInnerRow = 5; // the bottom band's inner line
    QImage image = blank(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int fromOuter = right ? kWidth - 1 - x : x;
            const int towardsBottom = kHeight - 1 - y;
            const bool inSide =
                fromOuter < kBorderWidth
                && (y < kInnerRow || fromOuter * (kHeight - 1 - kInnerRow) < towardsBottom * (kBorderWidth - 1));
            const int level = inSide ? borderLevel(right, fromOuter) : kBottomRows[static_cast<std::size_t>(y)];
            image.setPixel(x, y, grey(level));
        }
    }
    return image;
}

enum class Glyph { Minimize, Close };
enum class ButtonState { Normal, Over, Down };

// A glossy light-blue tile: a bright upper half over a deeper lower half, a dark grey
// top line that continues the caption's own, and a dark glyph.
QImage captionButton(Glyph glyph, ButtonState state)
{
    constexpr int kWidth = 26;
    constexpr int kHeight = 18;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(grey(kCaptionRows[0]));
    QPainter painter(&image);
    const int lift = state == ButtonState::Over ? 18 : (state == ButtonState::Down ? -30 : 0);
    auto tone = [lift](int r, int g, int b) {
        return QColor(std::clamp(r + lift, 0, 255), std::clamp(g + lift, 0, 255), std::clamp(b + lift, 0, 255));
    };
    const QRectF body(0.5, 1.5, kWidth - 1.0, kHeight - 2.0);
    QLinearGradient gloss(0, 1, 0, kHeight);
    gloss.setColorAt(0.0, tone(236, 246, 255));
    gloss.setColorAt(0.48, tone(196, 226, 250));
    gloss.setColorAt(0.52, tone(158, 204, 243));
    gloss.setColorAt(1.0, tone(190, 228, 255));
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath tile;
    tile.addRoundedRect(body, 3, 3);
    painter.fillPath(tile, gloss);
    painter.setPen(QPen(tone(88, 128, 168), 1));
    painter.drawPath(tile);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QColor(72, 72, 72));
    painter.drawLine(0, 0, kWidth - 1, 0);

    const QPointF shift = state == ButtonState::Down ? QPointF(1, 1) : QPointF(0, 0);
    const QColor ink(40, 44, 52);
    painter.setRenderHint(QPainter::Antialiasing);
    if (glyph == Glyph::Close) {
        painter.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(9.5, 5.5) + shift, QPointF(16.5, 12.5) + shift);
        painter.drawLine(QPointF(16.5, 5.5) + shift, QPointF(9.5, 12.5) + shift);
    } else {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(ink, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(8, 9, 9, 4).translated(shift));
        painter.drawLine(QPointF(8, 10) + shift, QPointF(17, 10) + shift);
    }
    painter.end();
    return opaque(image);
}

} // namespace

QImage opaque(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB888);
}

std::vector<SkinFile> frameImages()
{
    std::vector<SkinFile> files = {
        {"frame/caption_left.png", captionEnd(false)},        {"frame/caption_center.png", rows(kCaptionRows)},
        {"frame/caption_right.png", captionEnd(true)},        {"frame/frame_left.png", columns(kLeftColumns)},
        {"frame/frame_right.png", columns(kRightColumns)},    {"frame/frame_bottom.png", rows(kBottomRows)},
        {"frame/frame_left_bottom.png", bottomCorner(false)}, {"frame/frame_right_bottom.png", bottomCorner(true)},
    };
    const std::pair<const char*, Glyph> buttons[] = {{"button_min", Glyph::Minimize}, {"button_close", Glyph::Close}};
    for (const auto& [name, glyph] : buttons) {
        files.push_back({QString("frame/%1.png").arg(name), captionButton(glyph, ButtonState::Normal)});
        files.push_back({QString("frame/%1_over.png").arg(name), captionButton(glyph, ButtonState::Over)});
        files.push_back({QString("frame/%1_down.png").arg(name), captionButton(glyph, ButtonState::Down)});
    }
    return files;
}

} // namespace norvanta::tools::skingen
