#pragma once

#include "ui/SkinFrameGeometry.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QString>

#include <array>

namespace norvanta::ui {

// The skin set of one frame: the fourteen frame images, the icon and the caption font.
// Loaded when the window is made; a piece that cannot be loaded stays empty (size 0 x 0)
// and is simply not drawn.
class SkinResources {
public:
    enum Image {
        CaptionLeft,
        CaptionCenter,
        CaptionRight,
        FrameLeft,
        FrameRight,
        FrameBottom,
        FrameLeftBottom,
        FrameRightBottom,
        ButtonMin,
        ButtonMinOver,
        ButtonMinDown,
        ButtonClose,
        ButtonCloseOver,
        ButtonCloseDown,
        ImageCount
    };

    static constexpr QRgb kBackground = 0xFFFEFEFE;   // RGB(254,254,254)
    static constexpr QRgb kActiveText = 0xFF000000;   // RGB(0,0,0)
    static constexpr QRgb kInactiveText = 0xFFB2B2B2; // RGB(178,178,178)

    // The image's file name without folder, e.g. "caption_left.png".
    static QString fileName(Image image);
    // The program's icon in every size it ships.
    static QIcon applicationIcon();
    // Bold "Arial" of 11 points at the given vertical resolution (dots per inch); where
    // Arial is missing its metric twin Liberation Sans, else the default sans serif.
    static QFont captionFont(int dotsPerInchY);

    // Loads every image from folder (the program's own skin by default) and the icon.
    void load(const QString& folder = QStringLiteral(":/res/frame"));
    // Forgets everything: every image empty, no icon.
    void clear();

    const QImage& image(Image image) const { return m_images[image]; }
    const QIcon& icon() const { return m_icon; }
    // The sizes the frame's geometry is computed from.
    SkinMeasures measures() const;

private:
    std::array<QImage, ImageCount> m_images;
    QIcon m_icon;
};

} // namespace norvanta::ui
