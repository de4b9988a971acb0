#include "ui/SkinFramePainter.h"

#include "ui/Cp949.h"

#include <QFontMetrics>
#include <QPainter>

namespace norvanta::ui {
namespace {

using Image = SkinResources::Image;

constexpr int kTitleX = 30;
constexpr int kTitleY = 10;
constexpr int kMinimizedTitleBytes = 4;

// Draws an image stretched to target; a missing image or an empty target draws nothing.
void put(QPainter& painter, const QImage& image, const QRect& target)
{
    if (!image.isNull() && target.width() > 0 && target.height() > 0) {
        painter.drawImage(target, image);
    }
}

void putAt(QPainter& painter, const QImage& image, QPoint at)
{
    put(painter, image, QRect(at, image.size()));
}

Image closeImage(ButtonImage state)
{
    return state == ButtonImage::Over ? Image::ButtonCloseOver
                                      : (state == ButtonImage::Down ? Image::ButtonCloseDown : Image::ButtonClose);
}

Image minimizeImage(ButtonImage state)
{
    return state == ButtonImage::Over ? Image::ButtonMinOver
                                      : (state == ButtonImage::Down ? Image::ButtonMinDown : Image::ButtonMin);
}

void paintPieces(QPainter& painter, QSize window, const SkinResources& skin)
{
    const int w = window.width();
    const int h = window.height();
    const QSize cl = skin.image(Image::CaptionLeft).size();
    const QSize cc = skin.image(Image::CaptionCenter).size();
    const QSize cr = skin.image(Image::CaptionRight).size();
    const QSize fl = skin.image(Image::FrameLeft).size();
    const QSize fr = skin.image(Image::FrameRight).size();
    const QSize fb = skin.image(Image::FrameBottom).size();
    const QSize flb = skin.image(Image::FrameLeftBottom).size();
    const QSize frb = skin.image(Image::FrameRightBottom).size();

    putAt(painter, skin.image(Image::CaptionLeft), QPoint(0, 0));
    put(painter, skin.image(Image::CaptionCenter), QRect(cl.width(), 0, w - cl.width() - cr.width(), cc.height()));
    putAt(painter, skin.image(Image::CaptionRight), QPoint(w - cr.width(), 0));
    put(painter, skin.image(Image::FrameLeft), QRect(0, cl.height(), fl.width(), h - cl.height() - fb.height()));
    putAt(painter, skin.image(Image::FrameLeftBottom), QPoint(0, h - fb.height()));
    put(painter, skin.image(Image::FrameBottom),
        QRect(flb.width(), h - fb.height(), w - fl.width() - fr.width(), fb.height()));
    put(painter, skin.image(Image::FrameRight),
        QRect(w - fr.width(), cr.height(), fr.width(), h - cr.height() - frb.height()));
    putAt(painter, skin.image(Image::FrameRightBottom), QPoint(w - frb.width(), h - frb.height()));
}

void paintTitle(QPainter& painter, QSize window, const FrameLook& look)
{
    painter.setPen(QColor::fromRgb(look.active ? SkinResources::kActiveText : SkinResources::kInactiveText));
    if (!look.minimized) {
        painter.setFont(look.captionFont);
        painter.drawText(QRect(kTitleX, kTitleY, qMax(0, window.width() - kTitleX), window.height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, look.title);
        return;
    }
    // The shortened title is measured in the default font but drawn in the caption font,
    // which is how the minimized caption has always been placed.
    const QString shortTitle = minimizedTitle(look.title);
    const int height = QFontMetrics(painter.font()).boundingRect(shortTitle).height();
    painter.setFont(look.captionFont);
    painter.drawText(QRect(kTitleX, (window.height() - height) / 2, qMax(0, window.width() - kTitleX), window.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shortTitle);
}

} // namespace

QString minimizedTitle(const QString& title)
{
    const std::string bytes = toCp949(title);
    if (bytes.size() <= static_cast<std::size_t>(kMinimizedTitleBytes)) {
        return title;
    }
    // A lead byte of a double-byte character sits at the cut: leave the whole character out
    // rather than show half of it.
    std::size_t cut = 0;
    while (cut < static_cast<std::size_t>(kMinimizedTitleBytes)) {
        const std::size_t width = static_cast<unsigned char>(bytes[cut]) >= 0x81 ? 2 : 1;
        if (cut + width > static_cast<std::size_t>(kMinimizedTitleBytes)) {
            break;
        }
        cut += width;
    }
    return fromCp949(std::string_view(bytes).substr(0, cut)) + QStringLiteral("...");
}

void paintSkinFrame(QPainter& painter, QSize window, const SkinResources& skin, const SkinFrameGeometry& geometry,
                    const FrameLook& look)
{
    painter.save();
    if (!look.minimized) {
        // The client area belongs to the controls; the frame never paints over it.
        painter.setClipRegion(QRegion(QRect(QPoint(0, 0), window)) - QRegion(geometry.clientRect(window)));
    }
    paintPieces(painter, window, skin);

    const bool iconShown = !skin.icon().isNull();
    const int closeX = geometry.buttonRect(CaptionButton::Close, window, look.maximized).left();
    if (!look.minimized) {
        if (iconShown) {
            skin.icon().paint(&painter, QRect(5, 5, 24, 24));
        }
        const int buttonY = geometry.buttonRect(CaptionButton::Close, window, look.maximized).top();
        const int minimizeX = geometry.buttonRect(CaptionButton::Minimize, window, look.maximized).left();
        putAt(painter, skin.image(closeImage(look.close)), QPoint(closeX, buttonY));
        putAt(painter, skin.image(minimizeImage(look.minimize)), QPoint(minimizeX, buttonY));
    } else {
        // A minimized window keeps only its close button; the minimize button still
        // answers where it would be, without an image.
        if (iconShown) {
            skin.icon().paint(&painter, QRect(15, 5, 16, 16));
        }
        putAt(painter, skin.image(closeImage(look.close)),
              QPoint(closeX, geometry.buttonRect(CaptionButton::Close, window, look.maximized).top()));
    }
    paintTitle(painter, window, look);
    painter.restore();
}

} // namespace norvanta::ui
