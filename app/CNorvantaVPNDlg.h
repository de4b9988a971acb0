#pragma once

#include "app/DialState.h"
#include "app/StartupFetch.h"
#include "ras/RasDialer.h"
#include "ui/CSkinDlg.h"
#include "util/QEL_SyncArray.h"
#include "util/ServerList.h"

#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CXPGroupBox;
class QComboBox;
class QLabel;
class QPushButton;
class CFocusEditCtrl;
class CFontStatic;
namespace QEL::QEL_Control {
class QEL_ButtonEx;
class QEL_CheckBoxEx;
} // namespace QEL::QEL_Control
namespace norvanta::app {
class DesktopIntegration;
} // namespace norvanta::app

// The client's main window: credentials, the server drop-down, the status area and the
// connect and disconnect buttons. Everything runs on the window's thread; dial progress
// arrives as RasDialEvent, the server list as the answer of a StartupFetch. Ending the
// window hangs up a live connection.
class CNorvantaVPNDlg : public CSkinDlg {
    Q_OBJECT

public:
    enum TimerId { TIMER_CONNECTED_TIME = 1000, TIMER_FOCUS_PASSWORD = 2000 };

    explicit CNorvantaVPNDlg(QWidget* parent = nullptr);
    ~CNorvantaVPNDlg() override;

    // Builds the controls, restores the remembered credentials and shows "서버 목록을
    // 불러오는 중..." with 접속 disabled until the server list arrives: from `startup`
    // (start-up's own fetch, which may hand over to the updater instead) or, without
    // one, from a fetch of the list alone. Call once before the dialog is shown.
    bool OnInitDialog(norvanta::app::StartupFetch* startup = nullptr);

    // Shows the window, or with `minimized` leaves it in the tray where a tray shows the
    // icon (a desktop without one would have no way to reach a hidden window).
    void showAtStart(bool minimized);
    // Back from the tray or from under other windows: the tray's 열기, a later start.
    void bringToFront();

    // What the window shows and holds, for the tray, the status area and tests; the
    // controls themselves are found by their control ids as object names ("1015", ...).
    QString statusText() const;
    QString timeText() const;
    const norvanta::app::DialState& dialState() const { return m_dialState; }
    bool serverListLoading() const { return m_listLoading; }
    int serverIndex() const { return m_nServerIndex; }
    const QEL::QEL_Util::QEL_SyncArray<_SERVER_LIST>& servers() const { return m_servers; }

public slots:
    // Enter and OK never end the client and Escape never closes it (the frame sees to
    // both); the frame's close button, after its question, does.
    void done(int result) override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetStatusText(const QString& text);
    void SetTimeText(const QString& time);

    // The handlers of the controls, the dial events and the timers.
    void OnConnect();
    // Writes the entry unless it exists and starts the dial; the service's answer.
    DWORD ConnectToServer(const std::string& address, const std::string& userId, const std::string& password);
    void OnRasDialEvent(HRASCONN connection, unsigned state, unsigned long error);
    void OnTimer(int timerId);
    void OnDisconnect();
    void OnServerInfo();
    void OnServerSelChange(int index);
    void OnSaveBoxToggled(const QObject* box, int state);
    void OnDestroy();

    void createControls();
    void nameControls();
    void setTabOrder();
    void createDesktopIntegration();
    void fetchServerList();
    void watchFetch(norvanta::app::StartupFetch& fetch);
    void onServerListFetched(const norvanta::app::FetchedServerList& list);
    void onUpdaterLaunched();
    void onServerActivated(int index);
    void offerListRetry();
    bool connectOnStartDue() const;
    void refreshTrayDetails();
    // What the link is while connected, one line per part the system tells.
    QStringList linkDetailLines() const;
    void exitFromTray();
    void RestoreCredentials();
    void SaveCredentials();
    void startDial();
    void showDialError(DWORD error);
    void focusPasswordAfterRefusal(DWORD error);
    void applyPhaseControls(norvanta::app::DialState::Phase phase);
    void apply(const norvanta::app::DialState::Reaction& reaction);

    QLabel* m_banner = nullptr;
    CXPGroupBox* m_grpStatus = nullptr;
    CFontStatic* m_lblUserId = nullptr;
    CFontStatic* m_lblPassword = nullptr;
    CFontStatic* m_lblServer = nullptr;
    CFocusEditCtrl* m_editUserId = nullptr;
    CFocusEditCtrl* m_editPassword = nullptr;
    CFontStatic* m_lblState = nullptr;
    CFontStatic* m_txtState = nullptr;
    CFontStatic* m_lblTime = nullptr;
    CFontStatic* m_txtTime = nullptr;
    QEL::QEL_Control::QEL_CheckBoxEx* m_chkSaveId = nullptr;
    QEL::QEL_Control::QEL_CheckBoxEx* m_chkSavePassword = nullptr;
    QEL::QEL_Control::QEL_ButtonEx* m_btnConnect = nullptr;
    QEL::QEL_Control::QEL_ButtonEx* m_btnDisconnect = nullptr;
    QPushButton* m_btnServerInfo = nullptr;
    QEL::QEL_Util::QEL_SyncArray<_SERVER_LIST> m_servers;
    QComboBox* m_cboServer = nullptr;
    std::int32_t m_nServerIndex = -1;
    QStringList m_shownLinkLines; // as last logged
    CRasDialer m_dialer;

    QTimer m_connectedTimer{this}; // TIMER_CONNECTED_TIME, named "1000"
    QTimer m_focusTimer{this};     // TIMER_FOCUS_PASSWORD, named "2000"
    norvanta::app::DialState m_dialState;
    bool m_destroyed = false;
    bool m_listLoading = false;
    bool m_connectWhenListArrives = false; // 접속 found no list and the user asked for it again
    bool m_firstListSeen = false;          // connect on start is for the first list only
    // The fetch of the list when start-up's own is not the one to wait for (a retry).
    std::unique_ptr<norvanta::app::StartupFetch> m_listFetch;
    norvanta::app::DesktopIntegration* m_desktop = nullptr; // child of this window: the tray and notices
};

// The main dialog while it exists, for the dial events; null before and after.
extern CNorvantaVPNDlg* g_pMainDlg;
