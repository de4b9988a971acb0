#include "app/CNorvantaVPNApp.h"

#include "app/AppTexts.h"
#include "app/CNorvantaVPNDlg.h"
#include "app/QtTranslations.h"
#include "app/ServerListLoader.h"
#include "app/ServiceHost.h"
#include "platform/InstanceChannel.h"
#include "platform/Process.h"
#include "platform/Socket.h"
#include "ui/MessageBox.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <filesystem>

namespace {
namespace text = norvanta::app::text;
using norvanta::ui::MessageBox;
} // namespace

CNorvantaVPNApp::CNorvantaVPNApp(StartupSetup setup) : m_setup(std::move(setup)) {}

CNorvantaVPNApp::Ending CNorvantaVPNApp::InitInstance()
{
    // Before the first message box, so that even "already running" has a Korean button.
    norvanta::app::installQtKoreanTranslations();
    if (m_instanceLock.acquire(m_setup.lockName) == norvanta::platform::InstanceLock::Result::HeldByOther) {
        MessageBox::show(nullptr, QString::fromUtf8(text::kClientCaption), QString::fromUtf8(text::kAlreadyRunning),
                         MessageBox::Icon::Information);
        // The running window may be hidden in the tray, where the user cannot see it.
        norvanta::platform::InstanceChannel::askToShow(m_setup.lockName);
        return Ending::Refused;
    }
    if (!norvanta::platform::startSocketLayer()) {
        MessageBox::show(nullptr, QCoreApplication::applicationName(), QString::fromUtf8(text::kSocketsFailed));
        return Ending::NoSockets;
    }
    // The fetch keeps the settings key the update check opens until the dialog has ended.
    norvanta::app::StartupFetch fetch;
    fetch.start({m_setup.update, m_setup.serverListUrl, &norvanta::app::StartupFetch::sleepPause});
    LaterStarts laterStarts;
    // Without the channel a later start still says "already running"; only the window
    // stays where it is.
    norvanta::platform::InstanceChannel channel([&laterStarts] { emit laterStarts.showRequested(); });
    channel.listen(m_setup.lockName);
    m_setup.runDialog(fetch, laterStarts);
    return fetch.handedToUpdater() ? Ending::HandedToUpdater : Ending::DialogEnded;
}

StartupSetup defaultStartup(bool minimized)
{
    StartupSetup setup;
    setup.update.versionUrl = norvanta::app::serviceUrl(norvanta::app::kVersionPath);
    setup.update.updaterPath = norvanta::app::updaterPathIn(norvanta::platform::executableDirectory());
    setup.update.launch = &norvanta::platform::launchDetached;
    setup.update.updaterInstalled = std::filesystem::exists(setup.update.updaterPath);
    setup.serverListUrl = norvanta::app::serviceUrl(norvanta::app::kServerListPath);
    setup.runDialog = [minimized](norvanta::app::StartupFetch& fetch, LaterStarts& laterStarts) {
        CNorvantaVPNDlg dialog;
        dialog.OnInitDialog(&fetch);
        QObject::connect(&laterStarts, &LaterStarts::showRequested, &dialog, &CNorvantaVPNDlg::bringToFront);
        // Not exec(): that makes the window application-modal, and a modal window takes
        // every input from the tray icon, whose menu then never opens.
        QEventLoop loop;
        QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
        dialog.showAtStart(minimized);
        loop.exec();
    };
    return setup;
}
