// Start-up: one client per logon, the socket layer, then the dialog at once while the
// update check and after it the server list are fetched off the window's thread.

#include "app/AppTexts.h"
#include "app/CNorvantaVPNApp.h"
#include "app/StartupFetch.h"
#include "platform/InstanceChannel.h"
#include "platform/Process.h"
#include "platform/Socket.h"
#include "tests/support/TempSettingsHome.h"
#include "tests/support/TestSystem.h"
#include "tools/devservice/DevService.h"
#include "ui/MessageBox.h"
#include "util/CRegistryEx.h"

#include <QMessageBox>
#include <QPushButton>
#include "tests/support/QtPatience.h"

#include <QThread>

#include <atomic>
#include <memory>

using norvanta::testsupport::TempSettingsHome;

namespace text = norvanta::app::text;
using norvanta::platform::InstanceChannel;
using norvanta::platform::InstanceLock;
using norvanta::tools::DevService;
using norvanta::tools::DevServiceConfig;
using norvanta::ui::MessageBox;

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_service = std::make_unique<DevService>(DevServiceConfig{"<list/>", "2.0"});
        QVERIFY(m_service->start());
        MessageBox::startRecording();
    }

    void init()
    {
        m_home = std::make_unique<TempSettingsHome>();
        norvanta::testsupport::setEnvironment("XDG_RUNTIME_DIR", m_home->path().string());
        MessageBox::clearRecorded();
        m_dialogRuns = 0;
        m_listsFetched = 0;
        m_launched.clear();
        m_toldVersions.clear();
    }

    void cleanup() { m_home.reset(); }

    void secondInstanceIsRefusedAndTheFirstKeepsItsLock()
    {
        InstanceLock first;
        QCOMPARE(first.acquire("Norvanta VPN"), InstanceLock::Result::Acquired);
        std::atomic<int> showRequests{0};
        InstanceChannel firstChannel([&showRequests] { ++showRequests; });
        QVERIFY(firstChannel.listen("Norvanta VPN"));
        CNorvantaVPNApp second(setup());
        QCOMPARE(second.InitInstance(), CNorvantaVPNApp::Ending::Refused);
        QTRY_COMPARE_WITH_TIMEOUT(showRequests.load(), 1, norvanta::testsupport::scaledMs(5000));
        QCOMPARE(m_dialogRuns, 0);
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().first().text, QString::fromUtf8(text::kAlreadyRunning));
        QCOMPARE(MessageBox::recorded().first().caption, QString::fromUtf8(text::kClientCaption));
        QCOMPARE(MessageBox::recorded().first().icon, MessageBox::Icon::Information);
        QVERIFY(!MessageBox::recorded().first().owned);

        InstanceLock third;
        QCOMPARE(third.acquire("Norvanta VPN"), InstanceLock::Result::HeldByOther);
    }

    // The running window hears of every later start, on its own thread.
    void laterStartBringsBackTheRunningWindow()
    {
        recordVersion("2.0");
        int shownOnTheWindowsThread = 0;
        auto running = setup();
        running.runDialog = [&](norvanta::app::StartupFetch& fetch, LaterStarts& laterStarts) {
            QObject::connect(&laterStarts, &LaterStarts::showRequested, &fetch,
                             [&] { shownOnTheWindowsThread += QThread::currentThread() == fetch.thread() ? 1 : 0; });
            QVERIFY(InstanceChannel::askToShow("Norvanta VPN"));
            QTRY_COMPARE_WITH_TIMEOUT(shownOnTheWindowsThread, 1, norvanta::testsupport::scaledMs(5000));
            QTRY_VERIFY_WITH_TIMEOUT(!fetch.running(), norvanta::testsupport::scaledMs(10000));
        };
        CNorvantaVPNApp app(running);
        QCOMPARE(app.InitInstance(), CNorvantaVPNApp::Ending::DialogEnded);
        QCOMPARE(shownOnTheWindowsThread, 1);
        QVERIFY2(!InstanceChannel::askToShow("Norvanta VPN"), "the channel outlived the window");
    }

    void startAfterTheFirstEndedRunsTheDialog()
    {
        {
            CNorvantaVPNApp first(setup());
            recordVersion("2.0");
            QCOMPARE(first.InitInstance(), CNorvantaVPNApp::Ending::DialogEnded);
        }
        const int connections = m_service->connectionCount();
        CNorvantaVPNApp next(setup());
        QCOMPARE(next.InitInstance(), CNorvantaVPNApp::Ending::DialogEnded);
        QCOMPARE(m_dialogRuns, 2);
        QCOMPARE(m_listsFetched, 2);
        QVERIFY(MessageBox::recorded().isEmpty());
        // The version first, the list after it: two exchanges, the list the last one.
        QCOMPARE(m_service->connectionCount(), connections + 2);
        QVERIFY(QByteArray::fromStdString(m_service->lastRequest()).startsWith("POST /serverlist.xml "));
    }

    void socketFailureSaysSoAndShowsNoWindow()
    {
        norvanta::platform::setSocketLayerFailureForTesting(true);
        CNorvantaVPNApp app(setup());
        const auto ending = app.InitInstance();
        norvanta::platform::setSocketLayerFailureForTesting(false);
        QCOMPARE(ending, CNorvantaVPNApp::Ending::NoSockets);
        QCOMPARE(m_dialogRuns, 0);
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().first().text, QString::fromUtf8(text::kSocketsFailed));
        QCOMPARE(MessageBox::recorded().first().caption, QCoreApplication::applicationName());
    }

    // The window is up before the answer; a due update ends it and fetches no list.
    void dueUpdateHandsOverAndEndsTheWindow()
    {
        recordVersion("1.9");
        const int connections = m_service->connectionCount();
        CNorvantaVPNApp app(setup());
        QCOMPARE(app.InitInstance(), CNorvantaVPNApp::Ending::HandedToUpdater);
        QCOMPARE(m_dialogRuns, 1);
        QCOMPARE(m_listsFetched, 0);
        QCOMPARE(m_launched, QStringList{"/opt/norvanta/Norvanta_Update"});
        QCOMPARE(m_service->connectionCount(), connections + 1);
    }

    // Qt's own buttons speak Korean whatever the system's locale, from the first box on.
    void standardButtonsAreKorean()
    {
        QLocale::setDefault(QLocale(QLocale::English));
        InstanceLock first;
        QCOMPARE(first.acquire("Norvanta VPN"), InstanceLock::Result::Acquired);
        CNorvantaVPNApp second(setup());
        QCOMPARE(second.InitInstance(), CNorvantaVPNApp::Ending::Refused);

        QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok);
        const QList<QPair<QMessageBox::StandardButton, QString>> expected{
            {QMessageBox::Yes, QString::fromUtf8("예")},
            {QMessageBox::No, QString::fromUtf8("아니요")},
            {QMessageBox::Ok, QString::fromUtf8("확인")}};
        for (const auto& [button, word] : expected) {
            const QString shown = box.button(button)->text();
            QVERIFY2(shown.contains(word), qPrintable(shown));
        }
    }

    void missingUpdaterOpensTheDialogAnyway()
    {
        recordVersion("1.9");
        StartupSetup broken = setup();
        broken.update.updaterPath = "/nonexistent/Norvanta_Update";
        broken.update.launch = &norvanta::platform::launchDetached;
        CNorvantaVPNApp app(broken);
        QCOMPARE(app.InitInstance(), CNorvantaVPNApp::Ending::DialogEnded);
        QCOMPARE(m_dialogRuns, 1);
    }

    // A packaged client has no updater beside it: the dialog opens as always and hears of
    // the new version once; nothing is launched and "Ver" is not recorded.
    void withoutAnUpdaterTheNewVersionIsToldOnce()
    {
        StartupSetup packaged = setup();
        packaged.update.updaterInstalled = false;
        for (int run = 0; run < 2; ++run) {
            CNorvantaVPNApp app(packaged);
            QCOMPARE(app.InitInstance(), CNorvantaVPNApp::Ending::DialogEnded);
        }
        QCOMPARE(m_dialogRuns, 2);
        QCOMPARE(m_toldVersions, QStringList{"2.0"});
        QVERIFY(m_launched.isEmpty());
        CRegistryEx store;
        std::string version;
        QVERIFY(store.Open());
        QVERIFY(!store.ReadString("Ver", version));
    }

    void errorPageOpensTheDialog()
    {
        m_service->setMisbehaviour(norvanta::tools::Misbehaviour::NotFound);
        CNorvantaVPNApp app(setup());
        const auto ending = app.InitInstance();
        m_service->setMisbehaviour(norvanta::tools::Misbehaviour::None);
        QCOMPARE(ending, CNorvantaVPNApp::Ending::DialogEnded);
        QVERIFY(m_launched.isEmpty());
    }

private:
    StartupSetup setup()
    {
        StartupSetup setup;
        setup.update.versionUrl = m_service->url("/update/Update_Ver.txt");
        setup.update.updaterPath = "/opt/norvanta/Norvanta_Update";
        setup.update.launch = [this](const std::string& path) {
            m_launched << QString::fromStdString(path);
            return true;
        };
        setup.serverListUrl = m_service->url("/serverlist.xml");
        // The window stands in for the real one: it is "shown" at once and ends when
        // start-up's fetch has answered.
        setup.runDialog = [this](norvanta::app::StartupFetch& fetch, LaterStarts&) {
            ++m_dialogRuns;
            QObject::connect(&fetch, &norvanta::app::StartupFetch::serverListFetched, &fetch,
                             [this] { ++m_listsFetched; });
            QObject::connect(&fetch, &norvanta::app::StartupFetch::newVersionPublished, &fetch,
                             [this](const std::string& version) { m_toldVersions << QString::fromStdString(version); });
            QSignalSpy finished(&fetch, &norvanta::app::StartupFetch::finished);
            QVERIFY(fetch.running());
            QVERIFY(finished.wait(10000));
        };
        return setup;
    }

    void recordVersion(const char* version)
    {
        CRegistryEx store;
        QVERIFY(store.Create());
        QVERIFY(store.WriteString("Ver", version));
    }

    std::unique_ptr<DevService> m_service;
    std::unique_ptr<TempSettingsHome> m_home;
    int m_dialogRuns = 0;
    int m_listsFetched = 0;
    QStringList m_launched;
    QStringList m_toldVersions;
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
