#include "app/DesktopIntegration.h"

#include "app/AppTexts.h"
#include "app/DesktopNotification.h"
#include "app/SavedCredentials.h"
#include "platform/Autostart.h"

#include <QAction>

#include <iterator>
#include <utility>

namespace norvanta::app {

DesktopIntegration::DesktopIntegration(QObject* parent) : QObject(parent), m_tray(new TrayIcon(this))
{
    connect(m_tray, &TrayIcon::openRequested, this, &DesktopIntegration::openRequested);
    connect(m_tray, &TrayIcon::connectRequested, this, &DesktopIntegration::connectRequested);
    connect(m_tray, &TrayIcon::disconnectRequested, this, &DesktopIntegration::disconnectRequested);
    connect(m_tray, &TrayIcon::exitRequested, this, &DesktopIntegration::exitRequested);
    m_tray->setOption(TrayIcon::Option::AutoReconnect, restoreSwitch(Switch::AutoReconnect));
    m_tray->setOption(TrayIcon::Option::StartWithDesktop, platform::startsWithDesktop());
    m_tray->setOption(TrayIcon::Option::ConnectOnStart, restoreSwitch(Switch::ConnectOnStart));
    connect(m_tray, &TrayIcon::optionToggled, this,
            [this](TrayIcon::Option option, bool on) { onOptionToggled(option, on); });
}

bool DesktopIntegration::autoReconnect() const
{
    return m_tray->optionAction(TrayIcon::Option::AutoReconnect)->isChecked();
}

void DesktopIntegration::onOptionToggled(TrayIcon::Option option, bool on)
{
    switch (option) {
    case TrayIcon::Option::AutoReconnect:
        saveSwitch(Switch::AutoReconnect, on);
        emit autoReconnectToggled(on);
        break;
    case TrayIcon::Option::StartWithDesktop:
        // Where the entry cannot be written or removed, the tick shows what the system does.
        if (!platform::setStartsWithDesktop(on)) {
            m_tray->setOption(option, platform::startsWithDesktop());
        }
        break;
    case TrayIcon::Option::ConnectOnStart:
        saveSwitch(Switch::ConnectOnStart, on);
        break;
    }
}

void DesktopIntegration::notify(DialState::Notice notice)
{
    using Notice = DialState::Notice;
    const std::pair<const char*, const char*> texts[] = {
        {text::kLinkLost, text::kLinkLostNotice},
        {text::kLinkLost, text::kReconnectingNotice},
        {text::kReconnected, text::kReconnectedNotice},
        {text::kReconnectFailed, text::kReconnectFailedNotice},
    };
    static_assert(static_cast<int>(Notice::ReconnectFailed) + 1 == std::size(texts));
    const auto& [titleText, bodyText] = texts[static_cast<int>(notice)];
    const QString title = QString::fromUtf8(titleText);
    const QString body = QString::fromUtf8(bodyText);
    if (m_notifier) {
        m_notifier(title, body);
        return;
    }
    if (m_tray->showMessage(title, body)) {
        return;
    }
    sendDesktopNotification(title, body);
}

} // namespace norvanta::app
