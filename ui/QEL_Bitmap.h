#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace QEL::QEL_Control {

// Holds one image strip on its way from the program's resources to a control, with
// the colour that counts as transparent. Once the image is handed to a control the
// holder has no further part.
class QEL_Bitmap {
public:
    explicit QEL_Bitmap(QColor transparent = QColor(255, 0, 255)) : m_transparent(transparent) {}

    // Loads the image at path (a file or a ":/" resource): true when it could be read;
    // otherwise false and the holder is empty.
    bool LoadBitmap(const QString& path);
    // The image held; null when nothing was loaded.
    const QImage& Image() const { return m_image; }
    QColor TransparentColor() const { return m_transparent; }
    void SetTransparentColor(QColor colour) { m_transparent = colour; }

private:
    QImage m_image;
    QColor m_transparent;
};

} // namespace QEL::QEL_Control
