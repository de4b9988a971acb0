#include "ui/RoomyRowDelegate.h"

namespace norvanta::ui {

QSize RoomyRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(qMax(size.height(), option.fontMetrics.height() + 2 * kPadding));
    return size;
}

} // namespace norvanta::ui
