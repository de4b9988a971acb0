// The bitmap controls' strips. Button frames are painted with antialiasing onto the
// dialog's own background and every pixel the shape does not touch is then set to the
// key colour, so the transparent copy leaves no pink fringe around the rounded edge.

#include "tools/skingen/SkinArt.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <utility>

namespace norvanta::tools::skingen {
namespace {

constexpr int kBoxSize = 13;
constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 37;

// The Korean face the labels are drawn in; fonts-nanum ships it.
QFont labelFont(int pixelSize)
{
    QFont font(QStringLiteral("NanumGothic"));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::ExtraBold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

struct BoxLook {
    QColor border;
    QColor top;
    QColor bottom;
    bool tick;
};

void paintBox(QPainter& painter, int left, const BoxLook& look)
{
    const QRect box(left, 0, kBoxSize, kBoxSize);
    QLinearGradient fill(0, 1, 0, kBoxSize - 1);
    fill.setColorAt(0, look.top);
    fill.setColorAt(1, look.bottom);
    painter.fillRect(box.adjusted(1, 1, -1, -1), fill);
    painter.setPen(look.border);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    if (look.tick) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0, 40, 120), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(left + 3.0, 6.5);
        tick.lineTo(left + 5.5, 9.0);
        tick.lineTo(left + 10.0, 3.5);
        painter.drawPath(tick);
        painter.setRenderHint(QPainter::Antialiasing, false);
    }
}

// Strip 153: unchecked, pointer over it, checked, disabled.
QImage checkBoxStrip()
{
    QImage image(4 * kBoxSize, kBoxSize, QImage::Format_RGB32);
    image.fill(kDialogBackground);
    QPainter painter(&image);
    const BoxLook looks[] = {
        {QColor(22, 54, 120), QColor(255, 255, 255), QColor(222, 232, 246), false},
        {QColor(64, 128, 214), QColor(240, 248, 255), QColor(196, 224, 252), false},
        {QColor(22, 54, 120), QColor(255, 255, 255), QColor(222, 232, 246), true},
        {QColor(160, 160, 160), QColor(240, 240, 240), QColor(222, 222, 222), false},
    };
    for (int frame = 0; frame < 4; ++frame) {
        paintBox(painter, frame * kBoxSize, looks[frame]);
    }
    painter.end();
    return opaque(image);
}

struct ButtonLook {
    QColor top;    // the gloss at the top edge
    QColor middle; // where the gloss ends
    QColor bottom; // the deep lower half
    QColor edge;   // outline
    QColor text;
    QColor shadow; // one pixel under the text
    bool pressed;
};

// One button frame at (left, 0): a glossy rounded body with the label centred.
void paintButton(QImage& strip, int left, const ButtonLook& look, const QString& label)
{
    QImage coverage(kButtonWidth, kButtonHeight, QImage::Format_ARGB32_Premultiplied);
    coverage.fill(Qt::transparent);
    QPainter painter(&coverage);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRectF body(1.5, 1.5, kButtonWidth - 3.0, kButtonHeight - 3.0);
    QPainterPath shape;
    shape.addRoundedRect(body, 9, 9);
    QLinearGradient fill(0, body.top(), 0, body.bottom());
    fill.setColorAt(0.0, look.top);
    fill.setColorAt(0.46, look.middle);
    fill.setColorAt(0.54, look.bottom);
    fill.setColorAt(1.0, look.bottom.lighter(112));
    painter.fillPath(shape, fill);
    painter.setPen(QPen(look.edge, 1.2));
    painter.drawPath(shape);

    const QPointF shift = look.pressed ? QPointF(1, 1) : QPointF(0, 0);
    painter.setFont(labelFont(16));
    painter.setPen(look.shadow);
    painter.drawText(body.translated(shift + QPointF(0, 1)), Qt::AlignCenter, label);
    painter.setPen(look.text);
    painter.drawText(body.translated(shift), Qt::AlignCenter, label);
    painter.end();

    const QColor background = QColor::fromRgb(kDialogBackground);
    for (int y = 0; y < kButtonHeight; ++y) {
        for (int x = 0; x < kButtonWidth; ++x) {
            const QRgb pixel = coverage.pixel(x, y);
            const int alpha = qAlpha(pixel);
            QRgb out = kKeyColour;
            if (alpha > 0) {
                // Premultiplied source over the dialog background.
                auto blend = [alpha](int source, int under) { return source + under * (255 - alpha) / 255; };
                out = qRgb(blend(qRed(pixel), background.red()), blend(qGreen(pixel), background.green()),
                           blend(qBlue(pixel), background.blue()));
                if (out == kKeyColour) {
                    out = qRgb(254, 1, 254); // never the key by accident
                }
            }
            strip.setPixel(left + x, y, out);
        }
    }
}

QImage buttonStrip(const QString& label, const ButtonLook& normal, const ButtonLook& pressed)
{
    QImage strip(3 * kButtonWidth, kButtonHeight, QImage::Format_RGB32);
    strip.fill(kKeyColour);
    const ButtonLook disabled = {QColor(236, 236, 236),
                                 QColor(214, 214, 214),
                                 QColor(190, 190, 190),
                                 QColor(150, 150, 150),
                                 QColor(146, 146, 146),
                                 QColor(250, 250, 250),
                                 false};
    paintButton(strip, 0, normal, label);
    paintButton(strip, kButtonWidth, pressed, label);
    paintButton(strip, 2 * kButtonWidth, disabled, label);
    return opaque(strip);
}

} // namespace

std::vector<SkinFile> controlStrips()
{
    // Connect: green, pressed green into blue. Disconnect: yellow, pressed yellow into orange.
    const ButtonLook connect = {QColor(176, 240, 150),
                                QColor(92, 200, 70),
                                QColor(40, 160, 40),
                                QColor(24, 110, 30),
                                Qt::white,
                                QColor(16, 84, 20),
                                false};
    const ButtonLook connectPressed = {QColor(130, 220, 120),
                                       QColor(52, 168, 92),
                                       QColor(30, 110, 200),
                                       QColor(20, 70, 150),
                                       Qt::white,
                                       QColor(10, 40, 100),
                                       true};
    const ButtonLook disconnect = {QColor(255, 246, 170),
                                   QColor(255, 222, 70),
                                   QColor(240, 190, 20),
                                   QColor(170, 120, 10),
                                   QColor(70, 50, 0),
                                   QColor(255, 240, 180),
                                   false};
    const ButtonLook disconnectPressed = {QColor(255, 236, 130),
                                          QColor(250, 200, 50),
                                          QColor(240, 130, 20),
                                          QColor(180, 80, 10),
                                          QColor(70, 30, 0),
                                          QColor(255, 220, 160),
                                          true};
    return {
        {"bitmaps/153.png", checkBoxStrip()},
        {"bitmaps/154.png", buttonStrip(QString::fromUtf8("접속종료"), disconnect, disconnectPressed)},
        {"bitmaps/155.png", buttonStrip(QString::fromUtf8("접속"), connect, connectPressed)},
    };
}

} // namespace norvanta::tools::skingen
