#pragma once

#include <QStyledItemDelegate>

namespace norvanta::ui {

// The rows of a drop-down list with room between them: the style's own rows are as tall
// as the font (14 px for the window's), and Hangul glyphs of one row then nearly touch
// those of the next.
class RoomyRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // Pixels above and below a row's text.
    static constexpr int kPadding = 3;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace norvanta::ui
