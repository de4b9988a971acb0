#pragma once

#include <QColor>
#include <QImage>

namespace QEL::QEL_Draw {

// An image strip kept in memory, ready to be copied frame by frame. The control that
// uses it owns it; the strip belongs to it from attachment on.
class QEL_MemBm {
public:
    // Takes the strip: 1 once a strip is attached. With a strip already attached
    // nothing changes and 1 is returned; a null image attaches nothing and gives 0.
    int AttachBitmap(const QImage& image);

    // 1 once a strip is attached.
    bool IsLoaded() const { return m_loaded; }
    // The strip's size in pixels; empty before attachment.
    QSize Size() const { return m_strip.size(); }
    // Colour depth of the attached image as it was given; 0 before attachment.
    int BitsPerPixel() const { return m_bitsPerPixel; }
    // The strip as opaque pixels (alpha ignored); null before attachment.
    const QImage& Strip() const { return m_strip; }
    // The strip with every pixel of colour key fully transparent, for a keyed copy.
    // Made on first use and kept until a different key is asked for.
    const QImage& Keyed(QColor key) const;

private:
    QImage m_strip;
    int m_bitsPerPixel = 0;
    bool m_loaded = false;
    mutable QImage m_keyed;
    mutable QRgb m_keyedFor = 0;
};

} // namespace QEL::QEL_Draw
