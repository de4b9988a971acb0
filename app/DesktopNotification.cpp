#include "app/DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace norvanta::app {

bool sendDesktopNotification(const QString& title, const QString& body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1:
    // the server's default).
    notify << QStringLiteral("Norvanta VPN") << 0u << QStringLiteral("norvanta-vpn") << title << body << QStringList()
           << QVariantMap() << -1;
    return bus.send(notify);
}

} // namespace norvanta::app
