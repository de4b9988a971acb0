#pragma once

// What the dialog suites share: small helpers and the fixture that gives each test the
// development service, a settings home of its own and the dialog.

#include "app/CNorvantaVPNDlg.h"
#include "app/DesktopIntegration.h"
#include "app/StartupFetch.h"
#include "platform/RasApi.h"
#include "ras/RasDialer.h"
#include "tests/support/QtPatience.h"
#include "tests/support/TempSettingsHome.h"
#include "tests/support/TestSystem.h"
#include "tools/devservice/DevService.h"
#include "ui/CFocusEditCtrl.h"
#include "ui/Cp949.h"
#include "ui/QEL_ButtonEx.h"
#include "ui/QEL_CheckBoxEx.h"

#include <QComboBox>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <string>

namespace norvanta::apptest {

inline QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// What the client shows for a RAS error code.
inline QString rasText(DWORD code)
{
    char message[256] = {};
    RasGetErrorStringA(code, message, sizeof message);
    return norvanta::ui::fromCp949(message);
}

// Whether the remote-access service lists a connection of the client's entry.
inline bool linkUp()
{
    HRASCONN handle = nullptr;
    return FindConnectionByEntry(norvanta::ras::kVpnEntryName, handle) == 1;
}

// The base of each dialog suite (beside QObject): the suite starts the service once,
// each test gets a fresh settings home and opens the dialog it needs.
class DialogFixture {
protected:
    // The development service answering with `serverList`, and the client pointed at it.
    void startService(const std::string& serverList)
    {
        m_service = std::make_unique<norvanta::tools::DevService>(norvanta::tools::DevServiceConfig{serverList, "1.0"});
        QVERIFY(m_service->start());
        pointAtService();
    }

    void pointAtService()
    {
        norvanta::testsupport::setEnvironment("NORVANTA_VPN_SERVICE_HOST",
                                              "127.0.0.1:" + std::to_string(m_service->port()));
    }

    void freshHome() { m_home = std::make_unique<norvanta::testsupport::TempSettingsHome>(); }

    // Shows the dialog at once and, unless told otherwise, waits until its list is in.
    void openDialog(bool waitForTheList = true, norvanta::app::StartupFetch* startup = nullptr)
    {
        m_dialog = std::make_unique<CNorvantaVPNDlg>();
        m_notices.clear();
        m_dialog->OnInitDialog(startup);
        m_dialog->findChild<norvanta::app::DesktopIntegration*>()->setNotifier(
            [this](const QString& title, const QString&) { m_notices << title; });
        m_dialog->show();
        m_dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
        if (waitForTheList) {
            QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->serverListLoading(), 10000);
        }
    }

    // The dialog's control of that id (its object name), of the class the test expects;
    // the test cannot go on without it.
    template <typename Control>
    Control* control(int id) const
    {
        Control* const found = m_dialog->findChild<Control*>(QString::number(id));
        if (found == nullptr) {
            qFatal("the dialog has no %s named %d", Control::staticMetaObject.className(), id);
        }
        return found;
    }

    CFocusEditCtrl* userIdEdit() const { return control<CFocusEditCtrl>(1011); }
    CFocusEditCtrl* passwordEdit() const { return control<CFocusEditCtrl>(1012); }
    QComboBox* serverCombo() const { return control<QComboBox>(1004); }
    QEL::QEL_Control::QEL_ButtonEx* connectButton() const { return control<QEL::QEL_Control::QEL_ButtonEx>(1009); }
    QEL::QEL_Control::QEL_ButtonEx* disconnectButton() const { return control<QEL::QEL_Control::QEL_ButtonEx>(1010); }
    QEL::QEL_Control::QEL_CheckBoxEx* saveIdBox() const { return control<QEL::QEL_Control::QEL_CheckBoxEx>(2010); }
    QEL::QEL_Control::QEL_CheckBoxEx* savePasswordBox() const
    {
        return control<QEL::QEL_Control::QEL_CheckBoxEx>(2011);
    }
    norvanta::app::TrayIcon* trayIcon() const { return m_dialog->findChild<norvanta::app::TrayIcon*>(); }
    QTimer* connectedTimer() const
    {
        return m_dialog->findChild<QTimer*>(QString::number(CNorvantaVPNDlg::TIMER_CONNECTED_TIME));
    }
    // One tick of the connected-time timer, now rather than in a second.
    void tickConnectedTime() const { QMetaObject::invokeMethod(connectedTimer(), "timeout"); }

    void connectAs(const char* userId, const char* password)
    {
        userIdEdit()->setText(QString::fromUtf8(userId));
        passwordEdit()->setText(QString::fromUtf8(password));
        QTest::mouseClick(connectButton(), Qt::LeftButton);
    }

    void clickCloseButton()
    {
        const QPoint centre = m_dialog->captionButtonRect(norvanta::ui::CaptionButton::Close).center();
        QTest::mousePress(m_dialog.get(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(m_dialog.get(), Qt::LeftButton, {}, centre);
    }

    std::unique_ptr<norvanta::tools::DevService> m_service;
    std::unique_ptr<norvanta::testsupport::TempSettingsHome> m_home;
    std::unique_ptr<CNorvantaVPNDlg> m_dialog;
    QStringList m_notices; // the titles of the notifications the dialog gave
};

} // namespace norvanta::apptest
