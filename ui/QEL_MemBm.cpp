#include "ui/QEL_MemBm.h"

namespace QEL::QEL_Draw {

int QEL_MemBm::AttachBitmap(const QImage& image)
{
    if (m_loaded) {
        return 1;
    }
    if (image.isNull()) {
        return 0;
    }
    // The strips are plain 24-bit pictures: whatever alpha a file carries plays no part,
    // transparency comes only from the key colour.
    m_strip = image.convertToFormat(QImage::Format_RGB32);
    m_bitsPerPixel = image.depth();
    m_loaded = !m_strip.isNull();
    return m_loaded ? 1 : 0;
}

const QImage& QEL_MemBm::Keyed(QColor key) const
{
    const QRgb wanted = key.rgb() | 0xFF000000u;
    if (!m_loaded) {
        return m_strip;
    }
    if (!m_keyed.isNull() && m_keyedFor == wanted) {
        return m_keyed;
    }
    QImage keyed = m_strip.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            if ((line[x] | 0xFF000000u) == wanted) {
                line[x] = 0;
            }
        }
    }
    m_keyed = keyed.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    m_keyedFor = wanted;
    return m_keyed;
}

} // namespace QEL::QEL_Draw
