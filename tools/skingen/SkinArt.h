#pragma once

#include <QImage>
#include <QString>

#include <vector>

namespace norvanta::tools::skingen {

// One generated file: its path below the resource folder and its pixels.
struct SkinFile {
    QString path;
    QImage image;
};

// The window frame: caption ends and filler, borders, bottom corners and the six
// caption-button tiles, all opaque 24-bit images at the sizes the frame code expects.
std::vector<SkinFile> frameImages();

// Check-box strip 153 and the connect (155) / disconnect (154) button strips.
std::vector<SkinFile> controlStrips();

// Banner 163 and the application icon in the sizes a Linux desktop asks for.
std::vector<SkinFile> brandImages();

// A copy of image in 24-bit RGB without alpha, the form every bitmap resource takes.
QImage opaque(const QImage& image);

// The key colour of the button strips: pixels of it are never drawn.
inline constexpr QRgb kKeyColour = 0xFFFF00FF;
// The dialog's client background, which antialiased strip edges are blended against.
inline constexpr QRgb kDialogBackground = 0xFFFEFEFE;

} // namespace norvanta::tools::skingen
