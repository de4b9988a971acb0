#pragma once

#include "ui/CaptionButtonState.h"
#include "ui/SkinFrameGeometry.h"
#include "ui/SkinResources.h"

#include <QFont>
#include <QSize>
#include <QString>

class QPainter;

namespace norvanta::ui {

// What the frame shows besides its images.
struct FrameLook {
    bool active = true;
    bool minimized = false;
    bool maximized = false;
    ButtonImage minimize = ButtonImage::Normal;
    ButtonImage close = ButtonImage::Normal;
    QString title;
    QFont captionFont;
};

// Paints the whole frame of a window of the given size through painter, in window
// coordinates, never touching the client rectangle (except while minimized, when the
// window has none): caption, borders, icon, title and the caption buttons.
void paintSkinFrame(QPainter& painter, QSize window, const SkinResources& skin, const SkinFrameGeometry& geometry,
                    const FrameLook& look);

// A minimized window's title: the first four bytes of its CP949 form and "...", cut
// before a character that would not fit whole; shorter titles stay as they are.
QString minimizedTitle(const QString& title);

} // namespace norvanta::ui
