// Start-up: one client per logon, the socket layer, the update check, the dialog.

#include "app/AppTexts.h"
#include "app/CNorvantaVPNApp.h"
#include "platform/Process.h"
#include "platform/SocketLayer.h"
#include "tests/app/TempConfigHome.h"
#include "tests/support/TestSystem.h"
#include "tools/devservice/DevService.h"
#include "ui/MessageBox.h"
#include "util/CRegistryEx.h"

#include <QtTest>

#include <memory>

namespace text = norvanta::app::text;
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
        m_home = std::make_unique<TempConfigHome>();
        norvanta::testsupport::setEnvironment("XDG_RUNTIME_DIR", m_home->path().string());
        MessageBox::clearRecorded();
        m_dialogRuns = 0;
        m_launched.clear();
    }

    void cleanup() { m_home.reset(); }

    void secondInstanceIsRefusedAndTheFirstKeepsItsLock()
    {
        InstanceLock first;
        QCOMPARE(first.acquire("Norvanta VPN"), InstanceLock::Result::Acquired);
        CNorvantaVPNApp second(setup());
        QCOMPARE(second.InitInstance(), CNorvantaVPNApp::Ending::Refused);
        QCOMPARE(m_dialogRuns, 0);
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().first().text, QString::fromUtf8(text::kAlreadyRunning));
        QCOMPARE(MessageBox::recorded().first().caption, QString::fromUtf8(text::kClientCaption));
        QVERIFY(!MessageBox::recorded().first().owned);

        InstanceLock third;
        QCOMPARE(third.acquire("Norvanta VPN"), InstanceLock::Result::HeldByOther);
    }

    void startAfterTheFirstEndedRunsTheDialog()
    {
        {
            CNorvantaVPNApp first(setup());
            recordVersion("2.0");
            QCOMPARE(first.InitInstance(), CNorvantaVPNApp::Ending::DialogEnded);
        }
        CNorvantaVPNApp next(setup());
        QCOMPARE(next.InitInstance(), CNorvantaVPNApp::Ending::DialogEnded);
        QCOMPARE(m_dialogRuns, 2);
        QVERIFY(MessageBox::recorded().isEmpty());
    }

    void socketFailureSaysSoAndShowsNoWindow()
    {
        norvanta::platform::SetSocketLayerFailureForTesting(true);
        CNorvantaVPNApp app(setup());
        const auto ending = app.InitInstance();
        norvanta::platform::SetSocketLayerFailureForTesting(false);
        QCOMPARE(ending, CNorvantaVPNApp::Ending::NoSockets);
        QCOMPARE(m_dialogRuns, 0);
        QCOMPARE(MessageBox::recorded().size(), 1);
        QCOMPARE(MessageBox::recorded().first().text, QString::fromUtf8(text::kSocketsFailed));
        QCOMPARE(MessageBox::recorded().first().caption, QCoreApplication::applicationName());
    }

    void dueUpdateHandsOverWithoutAWindow()
    {
        recordVersion("1.9");
        CNorvantaVPNApp app(setup());
        QCOMPARE(app.InitInstance(), CNorvantaVPNApp::Ending::HandedToUpdater);
        QCOMPARE(m_dialogRuns, 0);
        QCOMPARE(m_launched, QStringList{"/opt/norvanta/Norvanta_Update"});
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
        setup.runDialog = [this] { ++m_dialogRuns; };
        return setup;
    }

    void recordVersion(const char* version)
    {
        CRegistryEx store;
        QVERIFY(store.Create());
        QVERIFY(store.WriteString("Ver", version));
    }

    std::unique_ptr<DevService> m_service;
    std::unique_ptr<TempConfigHome> m_home;
    int m_dialogRuns = 0;
    QStringList m_launched;
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
