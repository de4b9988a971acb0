// The client end to end with the NetworkManager dialer: server list from the development
// service, the dial through a fake NetworkManager on a private bus, the connected time,
// the disconnect.

#include "app/AppEvents.h"
#include "app/AppTexts.h"
#include "app/CNorvantaVPNDlg.h"
#include "platform/linux/ras/NmRasProvider.h"
#include "platform/ras/RasErrorText.h"
#include "platform/ras/RasLayerTesting.h"
#include "ras/RasDialer.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/platform/linux/NmFakeNetworkManager.h"
#include "ui/CFocusEditCtrl.h"
#include "ui/Cp949.h"
#include "ui/MessageBox.h"
#include "ui/QEL_ButtonEx.h"

#include <QLineEdit>
#include <QPushButton>
#include "tests/support/QtPatience.h"

#include <memory>

namespace text = norvanta::app::text;
using norvanta::apptest::linkUp;
using norvanta::apptest::rasText;
using norvanta::apptest::u;
using norvanta::nmtest::NmFakeNetworkManager;
using norvanta::nmtest::PptpPort;
using norvanta::ui::MessageBox;

namespace {

const std::string kServerList = "<?xml version=\"1.0\" encoding=\"euc-kr\"?><NewDataSet>"
                                "<datarow><server_name>K1-1</server_name><server_addr>127.0.0.1</server_addr></datarow>"
                                "</NewDataSet>";

} // namespace

class NetworkManagerTest : public QObject, protected norvanta::apptest::DialogFixture {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ::unsetenv("NORVANTA_VPN_RAS");
        m_fake = std::make_unique<NmFakeNetworkManager>("success", "demo");
        QVERIFY2(m_fake->ready(), m_fake->log().c_str());
        startService(kServerList);
        QVERIFY(m_port.port() != 0);
        norvanta::app::installDialEventRelay();
        MessageBox::startRecording(true);
    }

    void cleanupTestCase()
    {
        norvanta::platform::ras::resetRasLayerForTesting();
        m_fake.reset();
    }

    void init()
    {
        freshHome();
        // The kernel's PPP support is read from a test tree: this machine may have none.
        std::filesystem::create_directories(m_home->path() / "root/sys/module/ppp_generic");
        std::filesystem::create_directories(m_home->path() / "root/sys/module/ppp_mppe");
        norvanta::platform::ras::NmRasOptions options;
        options.pptpPort = m_port.port();
        options.systemRoot = m_home->path() / "root";
        options.linkRecord = m_home->path() / "link";
        options.callTimeout = std::chrono::seconds(5);
        options.callerWait = std::chrono::seconds(10);
        norvanta::platform::ras::setRasProviderForTesting(
            std::make_unique<norvanta::platform::ras::NmRasProvider>(options));
        pointAtService();
        MessageBox::clearRecorded();
    }

    void cleanup()
    {
        m_dialog.reset();
        QTRY_VERIFY(!linkUp());
        m_home.reset();
    }

    void connectCountsTimeAndDisconnects()
    {
        openDialog();
        connectAs("demo", "demo");
        QCOMPARE(m_dialog->statusText(), u(text::kConnecting));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 10000);
        QVERIFY(connectedTimer()->isActive());
        tickConnectedTime();
        QVERIFY2(m_dialog->timeText().startsWith(u(" 0 시간 :  0 분 :  ")), qPrintable(m_dialog->timeText()));
        QVERIFY(linkUp());
        QVERIFY(MessageBox::recorded().isEmpty());

        QTest::mouseClick(disconnectButton(), Qt::LeftButton);
        QCOMPARE(m_dialog->statusText(), u(text::kDisconnected));
        QVERIFY(connectButton()->isEnabled());
        QVERIFY(!connectedTimer()->isActive());
        QVERIFY(!linkUp());
        QVERIFY(m_fake->clientCalls().find("demo\n") == std::string::npos);
    }

    // The real NetworkManager ends a PPTP dial whose password pppd refused with reason 4,
    // as it ends any other plugin failure: the text names the password among what to check.
    void wrongPasswordShowsTheLinkFailedText()
    {
        openDialog();
        connectAs("demo", "wrong");
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kDialFailed), 10000);
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().first().caption, u(text::kDialErrorCaption));
        QCOMPARE(MessageBox::recorded().first().text, rasText(norvanta::platform::ras::kErrorNmLinkFailed));
        QVERIFY(connectButton()->isEnabled());
    }

    // A link ended outside the client is noticed and, after the pause, dialed again
    // through NetworkManager with the same account.
    void linkDroppedOutsideIsNoticedAndDialedAgain()
    {
        openDialog();
        connectAs("demo", "demo");
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 10000);
        m_fake->endAll(7, 3);
        QTRY_VERIFY_WITH_TIMEOUT(m_dialog->statusText().startsWith(u(text::kReconnectWaiting)), 5000);
        QVERIFY(MessageBox::recorded().isEmpty());
        QCOMPARE(m_notices, QStringList{u(text::kLinkLost)});
        for (int second = 0; second < norvanta::app::DialState::kReconnectPauses[0]; ++second) {
            tickConnectedTime();
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 10000);
        QVERIFY(linkUp());
        QCOMPARE(m_notices, (QStringList{u(text::kLinkLost), u(text::kReconnected)}));
        QVERIFY(MessageBox::recorded().isEmpty());
    }

private:
    std::unique_ptr<NmFakeNetworkManager> m_fake;
    PptpPort m_port;
};

QTEST_MAIN(NetworkManagerTest)
#include "tst_networkManager.moc"
