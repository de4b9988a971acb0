// The main dialog end to end: server list from the development service, dialing
// through the simulated remote-access service, remembered credentials.

#include "app/AppEvents.h"
#include "app/AppTexts.h"
#include "app/CNorvantaVPNDlg.h"
#include "app/SavedCredentials.h"
#include "app/StartupFetch.h"
#include "app/TrayIcon.h"
#include "platform/ras/RasLayerTesting.h"
#include "ras/RasDialNotifier.h"
#include "ras/RasDialer.h"
#include "tests/app/DialogTestSupport.h"
#include "tests/support/TestSystem.h"
#include "tools/devservice/DevService.h"
#include "ui/CFocusEditCtrl.h"
#include "ui/CFontStatic.h"
#include "ui/Cp949.h"
#include "ui/MessageBox.h"
#include "ui/QEL_ButtonEx.h"
#include "ui/QEL_CheckBoxEx.h"
#include "util/CRegistryEx.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>
#include "tests/support/QtPatience.h"

#include <cstdlib>
#include <fstream>
#include <memory>

namespace text = norvanta::app::text;
using norvanta::apptest::linkUp;
using norvanta::apptest::rasText;
using norvanta::apptest::u;
using norvanta::tools::DevService;
using norvanta::tools::DevServiceConfig;
using norvanta::ui::MessageBox;

namespace {

const std::string kServerList =
    "<?xml version=\"1.0\" encoding=\"euc-kr\"?><NewDataSet>"
    "<datarow><server_name>K1-1 \xBC\xAD\xBF\xEF</server_name><server_addr>127.0.0.1</server_addr></datarow>"
    "<datarow><server_name>K2-1 &amp; B</server_name><server_addr>localhost</server_addr></datarow>"
    "<datarow><server_name>C1-1</server_name><server_addr>127.0.0.3</server_addr></datarow>"
    "</NewDataSet>";

// Counts the Enter presses that reach the object it filters.
class KeyPressCounter : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            ++presses;
        }
        return false;
    }
};

} // namespace

class MainDialogTest : public QObject, protected norvanta::apptest::DialogFixture {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_RAS", "sim");
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_SIM_ACCOUNTS", "demo:demo");
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_SIM_UNREACHABLE", std::nullopt);
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_SIM_DROP_AFTER_MS", std::nullopt);
        startService(kServerList);
        norvanta::app::installDialEventRelay();
        MessageBox::startRecording(true);
    }

    void init()
    {
        freshHome();
        m_dropFile = (m_home->path() / "drop").string();
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_SIM_DROP_FILE", m_dropFile);
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_SIM_STEP_MS", "5");
        pointAtService();
        norvanta::platform::ras::resetRasLayerForTesting();
        MessageBox::clearRecorded();
        MessageBox::setNextAnswers(true);
        m_notices.clear();
    }

    void cleanup()
    {
        m_dialog.reset();
        QVERIFY(!linkUp());
        m_home.reset();
    }

    void opensWithTheServersInDocumentOrder()
    {
        openDialog();
        QCOMPARE(serverCombo()->count(), 3);
        QCOMPARE(serverCombo()->itemText(0), u("K1-1 서울"));
        QCOMPARE(serverCombo()->itemText(1), u("K2-1 & B"));
        QCOMPARE(m_dialog->serverIndex(), 0);
        QCOMPARE(serverCombo()->currentIndex(), 0);
        // A long name shows its start, the code that tells servers apart.
        QCOMPARE(serverCombo()->lineEdit()->cursorPosition(), 0);
        QCOMPARE(m_dialog->statusText(), u(text::kNotConnected));
        QVERIFY(connectButton()->isEnabled());
        QVERIFY(MessageBox::recorded().isEmpty());

        serverCombo()->setCurrentIndex(2);
        QCOMPARE(m_dialog->serverIndex(), 2);
    }

    // The controls as the window sets them up: image buttons of one frame, the save
    // boxes from their strip at their pixel rectangles, the texts in bold 12-pixel Gulim.
    void controlsTakeTheirSkin()
    {
        openDialog();
        QVERIFY(MessageBox::recorded().isEmpty());
        // Each label stands level with its field, within a pixel or two.
        const auto labelled = [this](const QString& label, QWidget* field) {
            for (CFontStatic* text : m_dialog->findChildren<CFontStatic*>()) {
                if (text->text() == label) {
                    return std::abs(text->geometry().center().y() - field->geometry().center().y());
                }
            }
            return 99;
        };
        QVERIFY(labelled(u(text::kUserIdLabel), userIdEdit()) <= 2);
        QVERIFY(labelled(u(text::kPasswordLabel), passwordEdit()) <= 2);
        // The drop-down's rows leave room between their glyphs.
        const QAbstractItemView* rows = serverCombo()->view();
        const int rowHeight = rows->sizeHintForRow(0);
        QVERIFY2(rowHeight >= rows->fontMetrics().height() + 6, qPrintable(QString::number(rowHeight)));
        QCOMPARE(connectButton()->size(), QSize(120, 37));
        QCOMPARE(disconnectButton()->size(), QSize(120, 37));
        QCOMPARE(connectButton()->pos(), QPoint(72, 354));
        for (auto* box : {saveIdBox(), savePasswordBox()}) {
            QVERIFY(box->isVisible());
            QVERIFY(box->hasImage());
            QCOMPARE(box->labelX(), 16);
        }
        QCOMPARE(saveIdBox()->geometry(), QRect(20, 210, 80, 13));
        QCOMPARE(savePasswordBox()->geometry(), QRect(235, 210, 90, 13));
        QCOMPARE(saveIdBox()->text(), u(text::kSaveId));
        QCOMPARE(control<QLabel>(1017)->pixmap().size(), QSize(381, 126));

        for (const CFontStatic* label : {control<CFontStatic>(1015), control<CFontStatic>(1008)}) {
            const CFontStatic::Style& style = label->style();
            QCOMPARE(style.face, u("굴림"));
            QCOMPARE(style.height, 12);
            QVERIFY(style.bold);
            QCOMPARE(style.textColor, QColor(0, 0, 255));
            QVERIFY(style.ownBackground);
            QCOMPARE(style.backgroundColor, QColor(255, 255, 255));
        }
        QCOMPARE(control<CFontStatic>(1015)->lastSetText(), u(text::kNotConnected));
    }

    void unreachableServiceLeavesAnEmptyListAndSaysSoOnce()
    {
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_SERVICE_HOST", "127.0.0.1:1");
        openDialog();
        QCOMPARE(serverCombo()->count(), 0);
        QCOMPARE(m_dialog->serverIndex(), -1);
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().first().text, u(text::kServerListFailed));
        QCOMPARE(MessageBox::recorded().first().caption, u(text::kClientCaption));

        // With nothing to dial, connect says so and dials nothing; declined, the offer
        // to fetch the list again changes nothing.
        MessageBox::clearRecorded();
        MessageBox::setNextAnswers(false);
        QTest::mouseClick(connectButton(), Qt::LeftButton);
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().first().text, u(text::kNoServer));
        QVERIFY(!m_dialog->serverListLoading());
        QCOMPARE(m_dialog->statusText(), u(text::kListRetryHint));
        QVERIFY(!(m_dialog->dialState().phase() == norvanta::app::DialState::Phase::Dialing));
    }

    void connectSucceedsCountsTimeAndRemembersTheId()
    {
        openDialog();
        saveIdBox()->setChecked(true);
        connectAs("demo", "demo");
        QCOMPARE(m_dialog->statusText(), u(text::kConnecting));
        QVERIFY(!connectButton()->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);
        QVERIFY(connectedTimer()->isActive());
        QVERIFY(m_dialog->timeText().isEmpty());
        tickConnectedTime();
        QVERIFY2(m_dialog->timeText().startsWith(u(" 0 시간 :  0 분 :  ")), qPrintable(m_dialog->timeText()));
        QVERIFY(MessageBox::recorded().isEmpty());

        CRegistryEx store;
        QVERIFY(store.Open());
        std::string userId;
        QVERIFY(store.ReadString("UserID", userId));
        QCOMPARE(QString::fromStdString(userId), u("ZGVtbw=="));
    }

    void wrongPasswordShowsTheSystemTextAndAllowsAnotherTry()
    {
        openDialog();
        connectAs("demo", "wrong");
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kDialFailed), 5000);
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().first().caption, u(text::kDialErrorCaption));
        QCOMPARE(MessageBox::recorded().first().text, rasText(691));
        QCOMPARE(MessageBox::recorded().first().icon, MessageBox::Icon::Error);
        QVERIFY(MessageBox::recorded().first().owned);
        QVERIFY(connectButton()->isEnabled());
        QVERIFY(!linkUp());
        // Ready for the password to be typed again.
        QTRY_VERIFY(passwordEdit()->hasFocus());
        QCOMPARE(passwordEdit()->selectedText(), u("wrong"));

        CRegistryEx store;
        QVERIFY2(!store.Open(), "a failed dial remembers nothing");
    }

    // A drop is no message box: a countdown in the status, a notification, and after the
    // pause the same server and account dialed again.
    void lostLinkIsDialedAgainAfterItsPause()
    {
        openDialog();
        connectAs("demo", "demo");
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);
        std::ofstream(m_dropFile) << "drop";
        QTRY_VERIFY(m_dialog->statusText().startsWith(u(text::kReconnectWaiting)));
        QCOMPARE(m_dialog->statusText(), u(text::kReconnectWaiting) + u(" (1/3, 5초)"));
        QVERIFY(!connectButton()->isEnabled());
        QVERIFY2(disconnectButton()->isEnabled(), "접속종료 ends the wait");
        QCOMPARE(trayIcon()->phase(), norvanta::app::DialState::Phase::Waiting);
        QVERIFY(MessageBox::recorded().isEmpty());
        QCOMPARE(m_notices, QStringList{u(text::kLinkLost)});
        for (int second = 0; second < norvanta::app::DialState::kReconnectPauses[0]; ++second) {
            tickConnectedTime();
        }
        QCOMPARE(m_dialog->statusText(), u(text::kConnecting));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);
        QVERIFY(linkUp());
        QCOMPARE(m_notices, (QStringList{u(text::kLinkLost), u(text::kReconnected)}));
        QVERIFY(MessageBox::recorded().isEmpty());
    }

    void disconnectHangsUp()
    {
        openDialog();
        connectAs("demo", "demo");
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);
        QVERIFY(linkUp());
        QTest::mouseClick(disconnectButton(), Qt::LeftButton);
        QCOMPARE(m_dialog->statusText(), u(text::kDisconnected));
        QVERIFY(connectButton()->isEnabled());
        QVERIFY(!linkUp());
        QVERIFY(!connectedTimer()->isActive());
        QVERIFY2(m_notices.isEmpty(), "the user's own end is no news");
    }

    // 접속종료 is there only with something to end; the server and the account dialed
    // cannot be changed under a running dial or a live link.
    void controlsFollowWhatThereIsToEnd()
    {
        // Reconnecting switched off in the tray (and remembered): a drop ends the link.
        openDialog();
        trayIcon()->optionAction(norvanta::app::TrayIcon::Option::AutoReconnect)->trigger();
        m_dialog.reset();
        openDialog();
        QVERIFY(!trayIcon()->optionAction(norvanta::app::TrayIcon::Option::AutoReconnect)->isChecked());
        auto inputsEnabled = [this] {
            return serverCombo()->isEnabled() && userIdEdit()->isEnabled() && passwordEdit()->isEnabled();
        };
        QVERIFY(!disconnectButton()->isEnabled());
        QVERIFY(inputsEnabled());
        connectAs("demo", "demo");
        QVERIFY(disconnectButton()->isEnabled());
        QVERIFY(!serverCombo()->isEnabled() && !userIdEdit()->isEnabled() && !passwordEdit()->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);
        QVERIFY(disconnectButton()->isEnabled());
        QVERIFY(!serverCombo()->isEnabled());
        std::ofstream(m_dropFile) << "drop";
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kLinkLost), 5000);
        QVERIFY(!disconnectButton()->isEnabled());
        QVERIFY(inputsEnabled());
    }

    void closingWhileConnectedAsksThenHangsUp()
    {
        openDialog();
        connectAs("demo", "demo");
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);

        // The frame's close button asks first; only yes ends the window.
        MessageBox::setNextAnswers(false);
        clickCloseButton();
        QTest::qWait(20);
        QVERIFY(m_dialog->isVisible());
        QVERIFY(linkUp());
        QCOMPARE(MessageBox::recorded().last().text, u(CSkinDlg::kExitQuestion));

        // The window manager's close (Alt+F4) asks the same question.
        MessageBox::clearRecorded();
        QVERIFY(!m_dialog->close());
        QVERIFY(m_dialog->isVisible());
        QVERIFY(linkUp());
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().last().text, u(CSkinDlg::kExitQuestion));

        MessageBox::setNextAnswers(true);
        clickCloseButton();
        QTRY_VERIFY(!m_dialog->isVisible());
        QVERIFY(!linkUp());
        QCOMPARE(MessageBox::recorded().size(), 2);
    }

    void enterConnectsAndEscapeNeverCloses()
    {
        openDialog();
        userIdEdit()->setText("demo");
        passwordEdit()->setText("demo");
        passwordEdit()->setFocus();
        QTest::keyClick(passwordEdit(), Qt::Key_Escape);
        QVERIFY(m_dialog->isVisible());
        QTest::keyClick(passwordEdit(), Qt::Key_Return);
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(m_dialog->statusText(), u(text::kConnecting));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);

        // Enter again while connected is ignored: no second dial, the status stays.
        QTest::keyClick(userIdEdit(), Qt::Key_Enter);
        QCOMPARE(m_dialog->statusText(), u(text::kConnected));
        QVERIFY(connectedTimer()->isActive());
    }

    // Enter that opens a message box at once is used up by the connect it ran: passed on to
    // the window, it ran connect a second time when the box had moved the focus.
    void enterThatOpensAMessageIsUsedUp()
    {
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_SERVICE_HOST", "127.0.0.1:1");
        openDialog();
        MessageBox::clearRecorded();
        KeyPressCounter reachedWindow;
        m_dialog->installEventFilter(&reachedWindow);
        userIdEdit()->setFocus();
        QTest::keyClick(userIdEdit(), Qt::Key_Return);
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().first().text, u(text::kNoServer));
        QCOMPARE(reachedWindow.presses, 0);
    }

    void rememberedCredentialsComeBackNextTime()
    {
        openDialog();
        savePasswordBox()->click(); // checks the ID box too
        QTRY_VERIFY(saveIdBox()->isChecked());
        connectAs("demo", "demo");
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);
        m_dialog.reset();

        openDialog();
        QCOMPARE(userIdEdit()->text(), u("demo"));
        QCOMPARE(passwordEdit()->text(), u("demo"));
        QVERIFY(saveIdBox()->isChecked());
        QVERIFY(savePasswordBox()->isChecked());
        QTRY_VERIFY(passwordEdit()->hasFocus());
    }

    // With 시작 시 자동 접속 on, the last server is dialed as soon as the list arrives, but
    // only with the account remembered in full and that server still listed.
    void connectOnStartDialsTheLastServer_data()
    {
        QTest::addColumn<bool>("switchedOn");
        QTest::addColumn<int>("savePassword");
        QTest::addColumn<QByteArray>("lastServer");
        QTest::addColumn<bool>("dials");
        QTest::newRow("all remembered") << true << 1 << QByteArray("K2-1 & B") << true;
        QTest::newRow("switched off") << false << 1 << QByteArray("K2-1 & B") << false;
        QTest::newRow("no password") << true << 0 << QByteArray("K2-1 & B") << false;
        QTest::newRow("server gone") << true << 1 << QByteArray("K9-9") << false;
    }

    void connectOnStartDialsTheLastServer()
    {
        QFETCH(bool, switchedOn);
        QFETCH(int, savePassword);
        QFETCH(QByteArray, lastServer);
        QFETCH(bool, dials);
        norvanta::app::SaveCredentials("demo", "demo", 1, savePassword);
        norvanta::app::saveLastServer(lastServer.toStdString());
        norvanta::app::saveSwitch(norvanta::app::Switch::ConnectOnStart, switchedOn);
        openDialog();
        QCOMPARE(trayIcon()->optionAction(norvanta::app::TrayIcon::Option::ConnectOnStart)->isChecked(), switchedOn);
        QCOMPARE(m_dialog->statusText(), u(dials ? text::kConnecting : text::kNotConnected));
        if (dials) {
            QCOMPARE(m_dialog->serverIndex(), 1);
            QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);
        }
    }

    // Unticking forgets at once; ticking waits for the next successful connection.
    void uncheckingForgetsAtOnce()
    {
        openDialog();
        savePasswordBox()->click();
        QTRY_VERIFY(saveIdBox()->isChecked());
        connectAs("demo", "demo");
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);
        QTest::mouseClick(disconnectButton(), Qt::LeftButton);

        auto stored = [] {
            CRegistryEx store;
            std::uint32_t idSave = 9;
            std::uint32_t passwordSave = 9;
            std::string password = "(none)";
            store.Open();
            store.ReadDword("UserIDSave", idSave);
            store.ReadDword("UserPWSave", passwordSave);
            store.ReadString("UserPW", password);
            return std::to_string(idSave) + " " + std::to_string(passwordSave) + " " + password;
        };
        QCOMPARE(QString::fromStdString(stored()), u("1 1 ZGVtbw=="));
        savePasswordBox()->click();
        QTRY_COMPARE(QString::fromStdString(stored()), u("1 0 (none)"));
        saveIdBox()->click();
        QTRY_COMPARE(QString::fromStdString(stored()), u("0 0 (none)"));
        saveIdBox()->click();
        QTest::qWait(20);
        QCOMPARE(QString::fromStdString(stored()), u("0 0 (none)"));
    }

    void uncheckingTheIdBoxUnchecksThePasswordBox()
    {
        openDialog();
        savePasswordBox()->click();
        QTRY_VERIFY(saveIdBox()->isChecked());
        saveIdBox()->click();
        QTRY_VERIFY(!savePasswordBox()->isChecked());
        QVERIFY(!saveIdBox()->isChecked());
    }

    void idOnlyComesBackWithFocusInThePasswordField()
    {
        openDialog();
        saveIdBox()->click();
        connectAs("demo", "demo");
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);
        m_dialog.reset();

        openDialog();
        QCOMPARE(userIdEdit()->text(), u("demo"));
        QVERIFY(passwordEdit()->text().isEmpty());
        QVERIFY(!savePasswordBox()->isChecked());
        QTRY_VERIFY(passwordEdit()->hasFocus());
    }

    // The window is there and answers the keyboard while the service holds the list
    // back; what the user typed meanwhile survives the list's arrival.
    void windowIsUsableWhileTheListIsOnItsWay()
    {
        DevServiceConfig slow{kServerList, "1.0"};
        slow.misbehaviour = norvanta::tools::Misbehaviour::SlowDrip;
        slow.dripPause = std::chrono::milliseconds(3);
        DevService dripping(slow);
        QVERIFY(dripping.start());
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_SERVICE_HOST",
                                              ("127.0.0.1:" + std::to_string(dripping.port())).c_str());

        openDialog(false);
        QVERIFY(m_dialog->serverListLoading());
        QCOMPARE(m_dialog->statusText(), u(text::kLoadingServers));
        QVERIFY(!connectButton()->isEnabled());
        QCOMPARE(serverCombo()->count(), 0);
        userIdEdit()->setFocus();
        QTest::keyClicks(userIdEdit(), "demo");
        QTest::keyClick(userIdEdit(), Qt::Key_Return);
        QCOMPARE(userIdEdit()->text(), u("demo"));
        QVERIFY2(!(m_dialog->dialState().phase() == norvanta::app::DialState::Phase::Dialing)
                     && MessageBox::recorded().isEmpty(),
                 "nothing to dial yet");

        QTRY_COMPARE_WITH_TIMEOUT(serverCombo()->count(), 3, 20000);
        QCOMPARE(m_dialog->serverIndex(), 0);
        QCOMPARE(m_dialog->statusText(), u(text::kNotConnected));
        QVERIFY(connectButton()->isEnabled());
        QCOMPARE(userIdEdit()->text(), u("demo"));
    }

    // A silent service holds the update check and the list: the window still opens at
    // once, and closing it does not wait for the service.
    void silentServiceNeitherDelaysNorHoldsTheWindow()
    {
        DevServiceConfig silentConfig{kServerList, "1.0"};
        silentConfig.misbehaviour = norvanta::tools::Misbehaviour::Silent;
        DevService silent(silentConfig);
        QVERIFY(silent.start());
        norvanta::app::StartupFetch startup;
        startup.start({norvanta::app::UpdateCheckSetup{silent.url("/update/Update_Ver.txt"), "/nonexistent/updater",
                                                       [](const std::string&) { return false; }},
                       silent.url("/serverlist.xml"), &norvanta::app::StartupFetch::sleepPause});
        QElapsedTimer clock;
        clock.start();
        openDialog(false, &startup);
        QCOMPARE(m_dialog->statusText(), u(text::kLoadingServers));
        QVERIFY(!connectButton()->isEnabled());
        QTRY_COMPARE(silent.connectionCount(), 1);
        QVERIFY2(clock.elapsed() < 3000, "shown while the service is silent");
        clock.restart();
        m_dialog.reset();
        QVERIFY2(clock.elapsed() < 1000, "ended without waiting for the service");
    }

    // A list that could not be had is fetched again from the empty list's message, and
    // the connect the user asked for then goes on by itself.
    void failedListIsFetchedAgainOnRequest()
    {
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_SERVICE_HOST", "127.0.0.1:1");
        openDialog();
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().first().text, u(text::kServerListFailed));
        QCOMPARE(m_dialog->statusText(), u(text::kListRetryHint));
        QVERIFY(connectButton()->isEnabled());
        userIdEdit()->setText("demo");
        passwordEdit()->setText("demo");

        norvanta::testsupport::setEnvironment("NORVANTA_VPN_SERVICE_HOST",
                                              ("127.0.0.1:" + std::to_string(m_service->port())).c_str());
        MessageBox::clearRecorded();
        const int connections = m_service->connectionCount();
        QTest::mouseClick(connectButton(), Qt::LeftButton);
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().first().text, u(text::kNoServer));
        QCOMPARE(MessageBox::recorded().first().icon, MessageBox::Icon::Question);
        QCOMPARE(m_dialog->statusText(), u(text::kLoadingServers));
        QTRY_COMPARE_WITH_TIMEOUT(serverCombo()->count(), 3, 10000);
        QCOMPARE(m_dialog->serverIndex(), 0);
        QCOMPARE(m_service->connectionCount(), connections + 1);
        QVERIFY(QByteArray::fromStdString(m_service->lastRequest()).startsWith("POST /serverlist.xml "));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);
        QCOMPARE(MessageBox::recorded().size(), 1);
    }

    // The dial's progress names fill the time line while it runs and go when it ends,
    // whichever way it ends.
    void progressIsShownAndClearedAfterwards_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("finalStatus");
        QTest::newRow("connected") << "demo" << u(text::kConnected);
        QTest::newRow("refused") << "wrong" << u(text::kDialFailed);
    }

    void progressIsShownAndClearedAfterwards()
    {
        QFETCH(QString, password);
        QFETCH(QString, finalStatus);
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_SIM_STEP_MS", "60");
        norvanta::platform::ras::resetRasLayerForTesting();
        openDialog();
        QStringList shown;
        connectAs("demo", password.toUtf8().constData());
        const QDeadlineTimer deadline(norvanta::testsupport::scaledMs(10000));
        while (m_dialog->statusText() == u(text::kConnecting) && !deadline.hasExpired()) {
            if (!m_dialog->timeText().isEmpty() && !shown.contains(m_dialog->timeText())) {
                shown << m_dialog->timeText();
            }
            QTest::qWait(5);
        }
        QCOMPARE(m_dialog->statusText(), finalStatus);
        QVERIFY2(shown.size() >= 2, qPrintable(shown.join(u(" | "))));
        QStringList names;
        for (DWORD state = 0; state < 0x40; ++state) {
            names << norvanta::ui::fromCp949(norvanta::ras::connStateName(state))
                  << norvanta::ui::fromCp949(norvanta::ras::connStateName(state | RASCS_PAUSED));
        }
        for (const QString& name : shown) {
            QVERIFY2(names.contains(name), qPrintable(name));
        }
        QVERIFY(m_dialog->timeText().isEmpty());
        QVERIFY(control<CFontStatic>(1015)->toolTip().isEmpty());
    }

    // The tray's menu: 접속 dials, then reads 접속종료 and hangs up; 종료 asks first.
    void trayMenuDrivesTheLink()
    {
        openDialog();
        norvanta::app::TrayIcon* tray = trayIcon();
        QVERIFY(tray != nullptr);
        QCOMPARE(tray->connectAction()->text(), u(text::kConnectButton));
        QCOMPARE(tray->phase(), norvanta::app::DialState::Phase::Idle);
        userIdEdit()->setText("demo");
        passwordEdit()->setText("demo");
        tray->connectAction()->trigger();
        QCOMPARE(m_dialog->statusText(), u(text::kConnecting));
        QCOMPARE(tray->phase(), norvanta::app::DialState::Phase::Dialing);
        QCOMPARE(tray->connectAction()->text(), u(text::kDisconnectButton));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);
        QCOMPARE(tray->phase(), norvanta::app::DialState::Phase::Connected);
        tickConnectedTime();
        QVERIFY2(tray->toolTip().contains(u("K1-1 서울")) && tray->toolTip().contains(u("시간")),
                 qPrintable(tray->toolTip()));
        // What the link is, as the simulated service reports it; gone once it is down.
        for (const char* line : {"주소 10.8.0.", "암호화 MPPE 128비트", "보냄 "}) {
            QVERIFY2(tray->toolTip().contains(u(line)), qPrintable(tray->toolTip()));
        }

        tray->connectAction()->trigger();
        QVERIFY2(!tray->toolTip().contains(u("암호화")), qPrintable(tray->toolTip()));
        QCOMPARE(m_dialog->statusText(), u(text::kDisconnected));
        QVERIFY(!linkUp());
        QCOMPARE(tray->phase(), norvanta::app::DialState::Phase::Idle);
        QCOMPARE(tray->connectAction()->text(), u(text::kConnectButton));
        QVERIFY(m_notices.isEmpty());

        MessageBox::setNextAnswers(false);
        tray->exitAction()->trigger();
        QCOMPARE(MessageBox::recorded().last().text, u(CSkinDlg::kExitQuestion));
        QTest::qWait(20);
        QVERIFY(m_dialog->isVisible());
        MessageBox::setNextAnswers(true);
        tray->exitAction()->trigger();
        QTRY_VERIFY(!m_dialog->isVisible());
    }

    // The server chosen last comes back when the list still has it.
    void lastChosenServerIsChosenAgain_data()
    {
        QTest::addColumn<QByteArray>("remembered");
        QTest::addColumn<int>("index");
        QTest::newRow("still listed") << QByteArray("C1-1") << 2;
        QTest::newRow("another") << QByteArray("K2-1 & B") << 1;
        QTest::newRow("gone from the list") << QByteArray("Z9-9") << 0;
        QTest::newRow("nothing remembered") << QByteArray() << 0;
    }

    void lastChosenServerIsChosenAgain()
    {
        QFETCH(QByteArray, remembered);
        QFETCH(int, index);
        if (!remembered.isEmpty()) {
            norvanta::app::saveLastServer(remembered.toStdString());
        }
        openDialog();
        QCOMPARE(m_dialog->serverIndex(), index);
        QCOMPARE(serverCombo()->currentIndex(), index);

        // Choosing with the keyboard remembers the choice, as the service named it.
        serverCombo()->setFocus();
        QTest::keyClick(serverCombo(), index == 2 ? Qt::Key_Up : Qt::Key_Down);
        const int chosen = index == 2 ? 1 : index + 1;
        QCOMPARE(m_dialog->serverIndex(), chosen);
        QCOMPARE(norvanta::app::restoreLastServer(), m_dialog->servers().ItemAt(chosen).name);
    }

    // Every keyboard stop, in order from the top, shows that it has the focus, and the
    // keyboard alone operates the boxes and the buttons. 접속종료, disabled with nothing to
    // end, is no stop then.
    void keyboardReachesAndMarksEveryControl()
    {
        openDialog();
        const QList<QWidget*> stops{userIdEdit(),  passwordEdit(),     saveIdBox(),    savePasswordBox(),
                                    serverCombo(), serverInfoButton(), connectButton()};
        passwordEdit()->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(passwordEdit()->hasFocus());
        for (qsizetype index = 0; index < stops.size(); ++index) {
            QWidget* stop = stops[index];
            const QImage unfocused = stop->grab().toImage();
            if (index == 0) {
                QTest::keyClick(passwordEdit(), Qt::Key_Tab, Qt::ShiftModifier);
            } else {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            QVERIFY2(
                stop->hasFocus(),
                qPrintable(
                    QString("stop %1 is %2").arg(index).arg(QApplication::focusWidget()->metaObject()->className())));
            QVERIFY2(stop->grab().toImage() != unfocused, qPrintable(QString("stop %1 shows no focus").arg(index)));
        }

        // Space works the box that shows the focus, and only that box.
        saveIdBox()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(saveIdBox(), Qt::Key_Space);
        QTRY_VERIFY(saveIdBox()->isChecked());
        QVERIFY(!savePasswordBox()->isChecked());
        // And Space on 접속 dials.
        userIdEdit()->setText("demo");
        passwordEdit()->setText("demo");
        connectButton()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(connectButton(), Qt::Key_Space);
        QCOMPARE(m_dialog->statusText(), u(text::kConnecting));
        QTRY_COMPARE_WITH_TIMEOUT(m_dialog->statusText(), u(text::kConnected), 5000);
        disconnectButton()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(disconnectButton(), Qt::Key_Space);
        QCOMPARE(m_dialog->statusText(), u(text::kDisconnected));
    }

private:
    QPushButton* serverInfoButton() const
    {
        for (QPushButton* button : m_dialog->findChildren<QPushButton*>()) {
            if (button->text() == u(text::kServerInfo)) {
                return button;
            }
        }
        return nullptr;
    }

    std::string m_dropFile;
};

QTEST_MAIN(MainDialogTest)
#include "tst_mainDialog.moc"
