#include "app/CNorvantaVPNApp.h"

#include "app/AppTexts.h"
#include "app/CNorvantaVPNDlg.h"
#include "app/ServiceHost.h"
#include "platform/Process.h"
#include "platform/SocketLayer.h"
#include "ui/Cp949.h"
#include "ui/MessageBox.h"

#include <QCoreApplication>
#include <QTimer>

#include <filesystem>

namespace {
namespace text = norvanta::app::text;
using norvanta::ui::MessageBox;
} // namespace

CNorvantaVPNApp::CNorvantaVPNApp(StartupSetup setup) : m_setup(std::move(setup)) {}

CNorvantaVPNApp::Ending CNorvantaVPNApp::InitInstance()
{
    if (m_instanceLock.acquire(m_setup.lockName) == norvanta::platform::InstanceLock::Result::HeldByOther) {
        MessageBox::show(nullptr, QString::fromUtf8(text::kClientCaption), QString::fromUtf8(text::kAlreadyRunning));
        return Ending::Refused;
    }
    if (!norvanta::platform::StartSocketLayer()) {
        MessageBox::show(nullptr, QCoreApplication::applicationName(), QString::fromUtf8(text::kSocketsFailed));
        return Ending::NoSockets;
    }
    // The settings key the update check opens stays open until the dialog has ended.
    CRegistryEx settingsKey;
    std::string newVersion;
    if (norvanta::app::CheckForUpdate(settingsKey, m_setup.update, &newVersion)
        == norvanta::app::UpdateOutcome::UpdaterLaunched) {
        return Ending::HandedToUpdater;
    }
    m_setup.runDialog(newVersion);
    return Ending::DialogEnded;
}

StartupSetup defaultStartup()
{
    StartupSetup setup;
    setup.update.versionUrl = norvanta::app::serviceUrl(norvanta::app::kVersionPath);
    setup.update.updaterPath = norvanta::app::updaterPathIn(norvanta::platform::executableDirectory());
    setup.update.launch = &norvanta::platform::launchDetached;
    setup.update.updaterInstalled = std::filesystem::exists(setup.update.updaterPath);
    setup.runDialog = [](const std::string& newVersion) {
        CNorvantaVPNDlg dialog;
        dialog.OnInitDialog();
        if (!newVersion.empty()) {
            // Over the window, once it is up: the news is no reason to keep it away.
            QTimer::singleShot(0, &dialog, [&dialog, newVersion] {
                MessageBox::show(&dialog, QString::fromUtf8(text::kClientCaption),
                                 QString::fromUtf8(text::kNewVersionByPackage).arg(norvanta::ui::fromCp949(newVersion)));
            });
        }
        dialog.exec();
    };
    return setup;
}
