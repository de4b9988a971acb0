// The dropped link's desktop notification on a private session bus (a dbus-daemon
// started here), received by a stand-in for the freedesktop notification service that,
// like the real ones, takes only the exact Notify signature (susssasa{sv}i). The dialog
// tests stand in for the notifier; this one proves what the real notifier sends.

#include "app/DesktopNotification.h"

#include "tests/support/QtPatience.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>

namespace {

// QtDBus hands a call to a slot only when the call's signature is the slot's exactly.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        QString appName;
        QString summary;
        QString body;
        int timeout = 0;
    };
    QList<Shown> shown;

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        Q_UNUSED(replacesId);
        Q_UNUSED(icon);
        Q_UNUSED(actions);
        Q_UNUSED(hints);
        shown.append({appName, summary, body, timeout});
        return static_cast<uint>(shown.size());
    }
};

} // namespace

class DesktopNotificationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--print-address"), QStringLiteral("--nofork")});
        QVERIFY2(m_bus.waitForStarted(30000), "dbus-daemon (package dbus) is needed");
        QVERIFY(m_bus.waitForReadyRead(30000));
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        // Before anything in this process opens the session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);

        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.isConnected());
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &m_service,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }

    void cleanupTestCase()
    {
        m_bus.terminate();
        m_bus.waitForFinished(10000);
    }

    void noticeReachesTheNotificationService()
    {
        const QString title = QString::fromUtf8("서비스 연결 끊김");
        const QString body = QString::fromUtf8("VPN 연결이 끊어졌습니다.");
        QVERIFY(norvanta::app::sendDesktopNotification(title, body));
        QTRY_COMPARE_WITH_TIMEOUT(m_service.shown.size(), 1, 10000);
        QCOMPARE(m_service.shown.first().appName, QStringLiteral("Norvanta VPN"));
        QCOMPARE(m_service.shown.first().summary, title);
        QCOMPARE(m_service.shown.first().body, body);
        QCOMPARE(m_service.shown.first().timeout, -1);
    }

private:
    QProcess m_bus;
    NotificationService m_service;
};

QTEST_GUILESS_MAIN(DesktopNotificationTest)
#include "tst_desktopNotification.moc"
