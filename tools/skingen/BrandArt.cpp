// The service's own artwork: a shield on a blue tile for the icon, and a banner that
// repeats the shield over a network of nodes beside the service's name.

#include "tools/skingen/SkinArt.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>
#include <cmath>

namespace norvanta::tools::skingen {
namespace {

const QColor kDeepBlue(10, 62, 150);
const QColor kSkyBlue(64, 160, 240);

// The shield outline in a 100 x 100 box.
QPainterPath shieldPath()
{
    QPainterPath path;
    path.moveTo(50, 4);
    path.cubicTo(64, 13, 78, 16, 92, 16);
    path.cubicTo(92, 58, 78, 82, 50, 97);
    path.cubicTo(22, 82, 8, 58, 8, 16);
    path.cubicTo(22, 16, 36, 13, 50, 4);
    path.closeSubpath();
    return path;
}

// Draws the shield with its keyhole into rect.
void paintShield(QPainter& painter, const QRectF& rect, const QColor& hole)
{
    painter.save();
    painter.translate(rect.topLeft());
    painter.scale(rect.width() / 100.0, rect.height() / 100.0);
    QLinearGradient face(0, 0, 100, 100);
    face.setColorAt(0, QColor(255, 255, 255));
    face.setColorAt(1, QColor(214, 232, 252));
    painter.fillPath(shieldPath(), face);
    painter.setBrush(hole);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(50, 42), 12, 12);
    QPainterPath stem;
    stem.moveTo(44, 48);
    stem.lineTo(56, 48);
    stem.lineTo(60, 74);
    stem.lineTo(40, 74);
    stem.closeSubpath();
    painter.drawPath(stem);
    painter.restore();
}

QImage icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal inset = size <= 24 ? 0.5 : size * 0.04;
    const QRectF tile(inset, inset, size - 2 * inset, size - 2 * inset);
    QLinearGradient fill(tile.topLeft(), tile.bottomRight());
    fill.setColorAt(0, kSkyBlue);
    fill.setColorAt(1, kDeepBlue);
    QPainterPath rounded;
    rounded.addRoundedRect(tile, tile.width() * 0.22, tile.height() * 0.22);
    painter.fillPath(rounded, fill);
    const qreal margin = tile.width() * 0.16;
    paintShield(painter, tile.adjusted(margin, margin * 0.8, -margin, -margin * 0.9), kDeepBlue);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// A loose net of nodes on the banner's right half, the picture of a private network
// spanning several places.
void paintNetwork(QPainter& painter)
{
    const std::array<QPointF, 9> nodes = {QPointF(214, 24), QPointF(252, 58),  QPointF(300, 30),
                                          QPointF(346, 52), QPointF(276, 96),  QPointF(330, 104),
                                          QPointF(366, 16), QPointF(232, 104), QPointF(200, 70)};
    const std::array<std::pair<int, int>, 12> links = {
        {{0, 1}, {1, 2}, {2, 3}, {1, 4}, {4, 5}, {3, 5}, {2, 6}, {3, 6}, {4, 7}, {1, 8}, {0, 8}, {7, 8}}};
    painter.setPen(QPen(QColor(255, 255, 255, 70), 1.2));
    for (const auto& [from, to] : links) {
        painter.drawLine(nodes[static_cast<std::size_t>(from)], nodes[static_cast<std::size_t>(to)]);
    }
    painter.setPen(Qt::NoPen);
    for (const QPointF& node : nodes) {
        painter.setBrush(QColor(255, 255, 255, 60));
        painter.drawEllipse(node, 6, 6);
        painter.setBrush(QColor(255, 255, 255, 200));
        painter.drawEllipse(node, 2.5, 2.5);
    }
    // Globe lines behind the net.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 34), 1.0));
    const QPointF centre(300, 66);
    painter.drawEllipse(centre, 92, 92);
    for (int k = 1; k <= 3; ++k) {
        painter.drawEllipse(centre, 92.0 * k / 4, 92);
        painter.drawEllipse(centre, 92, 92.0 * k / 4);
    }
}

QImage banner()
{
    constexpr int kWidth = 381;
    constexpr int kHeight = 126;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient sky(0, 0, kWidth, kHeight);
    sky.setColorAt(0, kDeepBlue);
    sky.setColorAt(1, kSkyBlue);
    painter.fillRect(image.rect(), sky);
    QRadialGradient glow(QPointF(60, 40), 160);
    glow.setColorAt(0, QColor(255, 255, 255, 60));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillRect(image.rect(), glow);
    paintNetwork(painter);

    paintShield(painter, QRectF(20, 22, 70, 76), kDeepBlue);

    QFont title(QStringLiteral("Liberation Sans"));
    title.setPixelSize(34);
    title.setWeight(QFont::Bold);
    painter.setFont(title);
    painter.setPen(QColor(0, 30, 80, 110));
    painter.drawText(QRectF(104, 30, 280, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Norvanta VPN"));
    painter.setPen(Qt::white);
    painter.drawText(QRectF(102, 28, 280, 44), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Norvanta VPN"));

    QFont tagline(QStringLiteral("NanumGothic"));
    tagline.setPixelSize(14);
    tagline.setWeight(QFont::Bold);
    painter.setFont(tagline);
    painter.setPen(QColor(226, 240, 255));
    painter.drawText(QRectF(104, 72, 280, 22), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromUtf8("안전하고 빠른 개인 전용 네트워크"));
    painter.end();
    return opaque(image);
}

} // namespace

std::vector<SkinFile> brandImages()
{
    std::vector<SkinFile> files = {{"bitmaps/163.png", banner()}};
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        files.push_back({QString("icons/norvanta-vpn-%1.png").arg(size), icon(size)});
    }
    return files;
}

} // namespace norvanta::tools::skingen
