#include "app/TrayIcon.h"

#include "app/AppTexts.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

namespace norvanta::app {
namespace {

QColor markColour(DialState::Phase phase)
{
    switch (phase) {
    case DialState::Phase::Dialing:
    case DialState::Phase::Waiting:
        return QColor(255, 165, 0);
    case DialState::Phase::Connected:
        return QColor(0, 170, 60);
    case DialState::Phase::Idle:
        break;
    }
    return QColor(150, 150, 150);
}

} // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), m_menu(std::make_unique<QMenu>())
{
    m_open = m_menu->addAction(QString::fromUtf8(text::kTrayOpen));
    m_connect = m_menu->addAction(QString::fromUtf8(text::kConnectButton));
    const char* const optionTexts[kOptionCount] = {text::kTrayAutoReconnect, text::kTrayStartWithDesktop,
                                                   text::kTrayConnectOnStart};
    for (int index = 0; index < kOptionCount; ++index) {
        QAction* item = m_menu->addAction(QString::fromUtf8(optionTexts[index]));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this,
                [this, index](bool on) { emit optionToggled(static_cast<Option>(index), on); });
        m_options[index] = item;
    }
    m_menu->addSeparator();
    m_exit = m_menu->addAction(QString::fromUtf8(text::kTrayExit));
    connect(m_open, &QAction::triggered, this, &TrayIcon::openRequested);
    connect(m_exit, &QAction::triggered, this, &TrayIcon::exitRequested);
    connect(m_connect, &QAction::triggered, this, [this] {
        if (m_phase == DialState::Phase::Idle) {
            emit connectRequested();
        } else {
            emit disconnectRequested();
        }
    });
    // Made and shown whether or not a tray is there now: Qt then follows the tray's
    // arrival and departure (a panel started after the client, or restarted).
    m_icon = new QSystemTrayIcon(this);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
            emit openRequested();
        }
    });
    refresh();
    m_icon->show();
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::setPhase(DialState::Phase phase)
{
    m_phase = phase;
    refresh();
}

void TrayIcon::setOption(Option option, bool on)
{
    optionAction(option)->setChecked(on);
}

void TrayIcon::setDetails(const QString& server, const QString& time, const QStringList& link)
{
    m_server = server;
    m_time = time;
    m_link = link;
    refresh();
}

bool TrayIcon::shown() const
{
    return m_icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

bool TrayIcon::showMessage(const QString& title, const QString& body)
{
    if (!shown() || !QSystemTrayIcon::supportsMessages()) {
        return false;
    }
    m_icon->showMessage(title, body, QSystemTrayIcon::Warning);
    return true;
}

QIcon TrayIcon::pictureFor(DialState::Phase phase)
{
    QPixmap picture(QStringLiteral(":/res/icons/norvanta-vpn-32.png"));
    if (picture.isNull()) {
        picture = QPixmap(32, 32);
        picture.fill(Qt::transparent);
    }
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(markColour(phase));
    painter.drawEllipse(QRect(picture.width() - 15, picture.height() - 15, 13, 13));
    return QIcon(picture);
}

void TrayIcon::refresh()
{
    const bool idle = m_phase == DialState::Phase::Idle;
    m_connect->setText(QString::fromUtf8(idle ? text::kConnectButton : text::kDisconnectButton));
    QStringList lines{QString::fromUtf8(text::kDialogTitle)};
    if (!m_server.isEmpty()) {
        lines << m_server;
    }
    if (!m_time.isEmpty()) {
        lines << m_time;
    }
    lines << m_link;
    m_toolTip = lines.join(QLatin1Char('\n'));
    if (m_icon != nullptr) {
        m_icon->setIcon(pictureFor(m_phase));
        m_icon->setToolTip(m_toolTip);
    }
}

} // namespace norvanta::app
