#pragma once

#include <QString>

namespace norvanta::app {

// Asks the desktop's notification service (org.freedesktop.Notifications on the session
// bus) to show title and body. Sent without waiting for an answer, so the window's thread
// never stalls on the bus; false when there is no session bus to send it on, or no
// D-Bus at all (the Windows build, where the tray's balloon is the notice).
bool sendDesktopNotification(const QString& title, const QString& body);

} // namespace norvanta::app
