#include "ui/QEL_Bitmap.h"

namespace QEL::QEL_Control {

bool QEL_Bitmap::LoadBitmap(const QString& path)
{
    m_image = QImage(path);
    return !m_image.isNull();
}

} // namespace QEL::QEL_Control
