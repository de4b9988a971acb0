#include "app/DesktopNotification.h"

namespace norvanta::app {

// A Qt without D-Bus (the Windows build) has no notification service to ask.
bool sendDesktopNotification(const QString&, const QString&)
{
    return false;
}

} // namespace norvanta::app
