#include "app/CNorvantaVPNDlg.h"

#include "app/AppEvents.h"
#include "app/AppTexts.h"
#include "app/ConnectedTime.h"
#include "app/DesktopIntegration.h"
#include "app/SavedCredentials.h"
#include "app/ServerListLoader.h"
#include "app/LinkDetailsText.h"
#include "app/ServiceHost.h"
#include "platform/LinkDetails.h"
#include "platform/Process.h"
#include "platform/ras/RasErrorText.h"
#include "ras/RasDialNotifier.h"
#include "ui/CFocusEditCtrl.h"
#include "ui/CFontStatic.h"
#include "ui/CVpnHelpDlg.h"
#include "ui/CXPGroupBox.h"
#include "ui/Cp949.h"
#include "ui/MessageBox.h"
#include "ui/QEL_Bitmap.h"
#include "ui/QEL_ButtonEx.h"
#include "ui/QEL_CheckBoxEx.h"
#include "ui/RoomyRowDelegate.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <utility>

CNorvantaVPNDlg* g_pMainDlg = nullptr;

namespace {

namespace text = norvanta::app::text;

// What the status and time lines say, for a user's report or a test that watches the
// window from outside (QT_LOGGING_RULES="norvanta.status.info=true"; ".debug" adds the
// time line's every tick). Off unless asked for.
Q_LOGGING_CATEGORY(lcStatus, "norvanta.status", QtWarningMsg)

using norvanta::ui::fromCp949;
using norvanta::ui::MessageBox;
using norvanta::ui::toCp949;

// The window is laid out in dialog units of its template: one unit is 7/4 px both ways
// (the 381 x 126 px banner fills 219 x 73 units).
constexpr int kClientSize = 422;

QRect dialogUnits(int x, int y, int width, int height)
{
    auto px = [](int units) { return (units * 7 + 2) / 4; };
    return QRect(px(x), px(y), px(width), px(height));
}

template <typename Widget>
Widget* place(Widget* widget, const QRect& rect)
{
    widget->setGeometry(rect);
    return widget;
}

using QEL::QEL_Control::QEL_Bitmap;
using QEL::QEL_Control::QEL_ButtonEx;
using QEL::QEL_Control::QEL_CheckBoxEx;

const QString kBannerImage = QStringLiteral(":/res/bitmaps/163.png");
const QString kCheckBoxStrip = QStringLiteral(":/res/bitmaps/153.png");
const QString kDisconnectStrip = QStringLiteral(":/res/bitmaps/154.png");
const QString kConnectStrip = QStringLiteral(":/res/bitmaps/155.png");
constexpr char kCheckBoxFailed[] = "체크박스 생성 실패!";

// Every text of the window: bold 12-pixel Gulim on its own white background.
CFontStatic* makeLabel(QWidget* parent, const char* label, const QRect& rect, const QColor& colour)
{
    auto* widget = place(new CFontStatic(QString::fromUtf8(label), parent), rect);
    widget->SetTextStyle(QString::fromUtf8("굴림"), 12, colour, CFontStatic::kBold | 0x40);
    widget->setBackgroundColor(Qt::white);
    widget->setOwnBackground(true);
    return widget;
}

// The connect and disconnect buttons: three frames side by side, normal, pressed and
// disabled, copied without their key-coloured pixels.
QEL_ButtonEx* makeImageButton(QWidget* parent, const char* label, const QRect& rect, const QString& strip)
{
    auto* button = place(new QEL_ButtonEx(QString::fromUtf8(label), parent), rect);
    QEL_Bitmap bitmap;
    bitmap.LoadBitmap(strip);
    button->setStripKind(1);
    button->setHorizontal(true);
    button->SetBitmap(bitmap.Image());
    button->setDrawMode(1);
    button->setTransparentColor(bitmap.TransparentColor());
    return button;
}

// A save box from the check-box strip at its pixel rectangle (left, top, right, bottom
// of the client area). One that cannot be made says so and stays hidden; the dialog
// still reads and sets its state, so everything else works without it.
QEL_CheckBoxEx* makeSaveBox(QWidget* dialog, const char* label, int left, int top, int right, int bottom)
{
    auto* box = new QEL_CheckBoxEx(dialog);
    QEL_Bitmap bitmap;
    bitmap.LoadBitmap(kCheckBoxStrip);
    if (box->SetBitmap(bitmap.Image()) == 0
        || !box->Create(QStringLiteral("QEL_CheckBoxEx"), left, top, right, bottom)) {
        box->hide();
        MessageBox::show(dialog, QCoreApplication::applicationName(), QString::fromUtf8(kCheckBoxFailed));
        return box;
    }
    box->setLastFrameIndex(3);
    box->setHorizontal(true);
    box->show();
    box->setText(QString::fromUtf8(label));
    box->setTextColor(Qt::black);
    // The frame moves its controls into its client area; the toggle still goes to the dialog.
    box->setNotifyTarget(dialog);
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* label, const QRect& rect)
{
    auto* button = place(new QPushButton(QString::fromUtf8(label), parent), rect);
    // Enter belongs to the connect action, never to whichever button has the focus.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

CNorvantaVPNDlg::CNorvantaVPNDlg(QWidget* parent) : CSkinDlg(parent)
{
    m_connectedTimer.setObjectName(QString::number(TIMER_CONNECTED_TIME));
    m_focusTimer.setObjectName(QString::number(TIMER_FOCUS_PASSWORD));
    m_connectedTimer.setInterval(1000);
    m_focusTimer.setInterval(100);
    m_focusTimer.setSingleShot(true);
    connect(&m_connectedTimer, &QTimer::timeout, this, [this] { OnTimer(TIMER_CONNECTED_TIME); });
    connect(&m_focusTimer, &QTimer::timeout, this, [this] { OnTimer(TIMER_FOCUS_PASSWORD); });
    g_pMainDlg = this;
}

CNorvantaVPNDlg::~CNorvantaVPNDlg()
{
    OnDestroy();
    if (g_pMainDlg == this) {
        g_pMainDlg = nullptr;
    }
    qApp->removeEventFilter(this);
}

void CNorvantaVPNDlg::createControls()
{
    setWindowTitle(QString::fromUtf8(text::kDialogTitle));
    setFixedClientSize(QSize(kClientSize, kClientSize));

    m_banner = place(new QLabel(this), dialogUnits(7, 4, 219, 73));
    m_banner->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_banner->setLineWidth(2);
    m_banner->setAlignment(Qt::AlignCenter);
    const QPixmap banner(kBannerImage);
    if (banner.isNull()) {
        m_banner->setText(QString::fromUtf8(text::kDialogTitle));
    } else {
        // A picture control takes the size of its picture, inside its sunken edge.
        m_banner->setPixmap(banner);
        const int edge = 2 * m_banner->frameWidth();
        m_banner->resize(banner.size() + QSize(edge, edge));
    }

    m_lblUserId = makeLabel(this, text::kUserIdLabel, dialogUnits(11, 82, 59, 8), Qt::black);
    // Two units lower than the template has it: there it sat 3 px above its field's middle.
    m_lblPassword = makeLabel(this, text::kPasswordLabel, dialogUnits(11, 102, 44, 8), Qt::black);
    m_editUserId = place(new CFocusEditCtrl(this), dialogUnits(78, 80, 148, 14));
    m_editPassword = place(new CFocusEditCtrl(this), dialogUnits(78, 99, 148, 14));
    m_editPassword->setEchoMode(QLineEdit::Password);
    m_lblServer = makeLabel(this, text::kServerLabel, dialogUnits(11, 137, 49, 8), Qt::blue);
    m_cboServer = place(new QComboBox(this), dialogUnits(64, 134, 115, 14));
    m_cboServer->setEditable(true);
    m_cboServer->setInsertPolicy(QComboBox::NoInsert);
    m_cboServer->setItemDelegate(new norvanta::ui::RoomyRowDelegate(m_cboServer));
    m_grpStatus = place(new CXPGroupBox(QString::fromUtf8(text::kStatusGroup), this), dialogUnits(7, 151, 219, 48));
    m_btnConnect = makeImageButton(this, text::kConnectButton, dialogUnits(41, 202, 50, 14), kConnectStrip);
    m_btnDisconnect = makeImageButton(this, text::kDisconnectButton, dialogUnits(133, 202, 50, 14), kDisconnectStrip);
    m_lblState = makeLabel(this, text::kStateLabel, dialogUnits(11, 165, 39, 8), Qt::black);
    m_lblTime = makeLabel(this, text::kTimeLabel, dialogUnits(11, 181, 39, 8), Qt::black);
    m_txtState = makeLabel(this, "", dialogUnits(63, 165, 158, 8), Qt::blue);
    m_txtTime = makeLabel(this, "", dialogUnits(63, 181, 158, 8), Qt::blue);
    m_btnServerInfo = makeButton(this, text::kServerInfo, dialogUnits(186, 133, 40, 14));

    m_chkSaveId = makeSaveBox(this, text::kSaveId, 20, 210, 100, 223);
    m_chkSavePassword = makeSaveBox(this, text::kSavePassword, 235, 210, 325, 223);
    nameControls();
    applyPhaseControls(norvanta::app::DialState::Phase::Idle);

    connect(m_btnConnect, &QPushButton::clicked, this, [this] { OnConnect(); });
    connect(m_btnDisconnect, &QPushButton::clicked, this, [this] { OnDisconnect(); });
    connect(m_btnServerInfo, &QPushButton::clicked, this, [this] { OnServerInfo(); });
    connect(m_cboServer, &QComboBox::currentIndexChanged, this, [this](int index) { OnServerSelChange(index); });
    connect(m_cboServer, &QComboBox::activated, this, [this](int index) { onServerActivated(index); });
    setTabOrder();
    // The Enter key runs the connect action from any control, as a message pre-filter would.
    qApp->installEventFilter(this);
}

void CNorvantaVPNDlg::nameControls()
{
    // The control ids of the dialog's template (the check boxes': those they are created
    // with), so that a control can be found by the id its documentation gives it.
    const std::pair<QWidget*, int> controls[] = {
        {m_editUserId, 1011},     {m_editPassword, 1012}, {m_cboServer, 1004},     {m_grpStatus, 1005},
        {m_lblUserId, 1006},      {m_lblPassword, 1007},  {m_lblServer, 1008},     {m_btnConnect, 1009},
        {m_btnDisconnect, 1010},  {m_lblState, 1013},     {m_lblTime, 1014},       {m_txtState, 1015},
        {m_txtTime, 1016},        {m_banner, 1017},       {m_btnServerInfo, 1018}, {m_chkSaveId, 2010},
        {m_chkSavePassword, 2011}};
    for (const auto& [control, id] : controls) {
        control->setObjectName(QString::number(id));
    }
}

bool CNorvantaVPNDlg::OnInitDialog(norvanta::app::StartupFetch* startup)
{
    createControls();
    m_grpStatus->SetCaptionColor(QColor(16, 140, 231)).SetCaptionBold(1).SetFillColor(Qt::white);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    RestoreCredentials();
    createDesktopIntegration();
    if (startup != nullptr) {
        m_listLoading = true;
        watchFetch(*startup);
        SetStatusText(QString::fromUtf8(text::kLoadingServers));
        m_btnConnect->setEnabled(false);
    } else {
        fetchServerList();
    }
    return true;
}

void CNorvantaVPNDlg::setTabOrder()
{
    // Top to bottom as the controls stand, so the keyboard meets them as the eye does.
    const QList<QWidget*> order{m_editUserId, m_editPassword,  m_chkSaveId,  m_chkSavePassword,
                                m_cboServer,  m_btnServerInfo, m_btnConnect, m_btnDisconnect};
    for (qsizetype index = 1; index < order.size(); ++index) {
        QWidget::setTabOrder(order[index - 1], order[index]);
    }
}

void CNorvantaVPNDlg::createDesktopIntegration()
{
    m_desktop = new norvanta::app::DesktopIntegration(this);
    using norvanta::app::DesktopIntegration;
    connect(m_desktop, &DesktopIntegration::openRequested, this, [this] { bringToFront(); });
    connect(m_desktop, &DesktopIntegration::connectRequested, this, [this] { OnConnect(); });
    connect(m_desktop, &DesktopIntegration::disconnectRequested, this, [this] { OnDisconnect(); });
    connect(m_desktop, &DesktopIntegration::exitRequested, this, [this] { exitFromTray(); });
    connect(m_desktop, &DesktopIntegration::autoReconnectToggled, this,
            [this](bool on) { apply(m_dialState.setAutoReconnect(on)); });
    apply(m_dialState.setAutoReconnect(m_desktop->autoReconnect()));
    refreshTrayDetails();
}

void CNorvantaVPNDlg::showAtStart(bool minimized)
{
    if (!minimized || m_desktop == nullptr || !m_desktop->trayShown()) {
        show();
    }
}

void CNorvantaVPNDlg::bringToFront()
{
    showNormal();
    raise();
    activateWindow();
}

void CNorvantaVPNDlg::exitFromTray()
{
    // The same question as the caption's close button, and the same way out.
    if (confirmExit()) {
        closeConfirmed();
    }
}

QStringList CNorvantaVPNDlg::linkDetailLines() const
{
    if (m_dialState.phase() != norvanta::app::DialState::Phase::Connected) {
        return {};
    }
    QStringList lines;
    for (const auto& line : norvanta::app::describeLink(norvanta::platform::readLinkDetails(m_dialer.Handle()))) {
        lines << QString::fromStdString(line);
    }
    return lines;
}

void CNorvantaVPNDlg::refreshTrayDetails()
{
    const QStringList link = linkDetailLines();
    if (link != m_shownLinkLines) {
        qCDebug(lcStatus).noquote() << "link:" << link.join(QStringLiteral(" | "));
        m_shownLinkLines = link;
    }
    if (m_desktop == nullptr) {
        return;
    }
    const QString server = m_nServerIndex >= 0 ? m_cboServer->itemText(m_nServerIndex) : QString();
    const bool connected = m_dialState.phase() == norvanta::app::DialState::Phase::Connected;
    m_desktop->setDetails(server, connected ? timeText() : statusText(), link);
}

void CNorvantaVPNDlg::fetchServerList()
{
    m_listLoading = true;
    SetStatusText(QString::fromUtf8(text::kLoadingServers));
    m_btnConnect->setEnabled(false);
    m_listFetch = std::make_unique<norvanta::app::StartupFetch>();
    watchFetch(*m_listFetch);
    m_listFetch->start({std::nullopt, norvanta::app::serviceUrl(norvanta::app::kServerListPath),
                        &norvanta::app::StartupFetch::sleepPause});
}

void CNorvantaVPNDlg::watchFetch(norvanta::app::StartupFetch& fetch)
{
    connect(&fetch, &norvanta::app::StartupFetch::serverListFetched, this,
            [this](const norvanta::app::FetchedServerList& list) { onServerListFetched(list); });
    connect(&fetch, &norvanta::app::StartupFetch::updaterLaunched, this, [this] { onUpdaterLaunched(); });
    connect(&fetch, &norvanta::app::StartupFetch::newVersionPublished, this, [this](const std::string& version) {
        // After the list that comes with it has filled the window: the news waits for
        // the user, the list should not.
        QTimer::singleShot(0, this, [this, version] {
            MessageBox::show(this, QString::fromUtf8(text::kClientCaption),
                             QString::fromUtf8(text::kNewVersionPublished)
                                 .arg(fromCp949(version), QString::fromUtf8(norvanta::platform::updateAdvice())),
                             MessageBox::Icon::Information);
        });
    });
}

void CNorvantaVPNDlg::onUpdaterLaunched()
{
    // The updater replaces this client: the window ends without asking, as the client
    // ended before any window when the update check ran first.
    done(QDialog::Rejected);
}

void CNorvantaVPNDlg::onServerListFetched(const norvanta::app::FetchedServerList& list)
{
    m_listLoading = false;
    m_servers.Clear();
    m_cboServer->clear();
    for (const _SERVER_LIST& server : list.servers) {
        m_servers.Append(server);
    }
    for (const std::string& name : list.names) {
        m_cboServer->addItem(fromCp949(name));
    }
    // Adding items selects the first one on its own; the selection is made on purpose:
    // the server chosen last time when the list still has it, else the first.
    m_cboServer->setCurrentIndex(-1);
    m_nServerIndex = -1;
    bool lastServerListed = false;
    if (m_servers.Count() > 0) {
        const std::string remembered = norvanta::app::restoreLastServer();
        const auto found =
            std::find_if(list.servers.begin(), list.servers.end(),
                         [&remembered](const _SERVER_LIST& server) { return server.name == remembered; });
        lastServerListed = !remembered.empty() && found != list.servers.end();
        m_nServerIndex = found == list.servers.end() ? 0 : static_cast<std::int32_t>(found - list.servers.begin());
        m_cboServer->setCurrentIndex(m_nServerIndex);
    }
    // Only the first list of a start may connect by itself; one fetched again on request
    // follows the request.
    const bool connectOnStart = !std::exchange(m_firstListSeen, true) && lastServerListed && connectOnStartDue();
    SetStatusText(QString::fromUtf8(list.reached ? text::kNotConnected : text::kListRetryHint));
    m_btnConnect->setEnabled(true);
    refreshTrayDetails();
    if (!list.reached) {
        m_connectWhenListArrives = false;
        MessageBox::show(this, QString::fromUtf8(text::kClientCaption), QString::fromUtf8(text::kServerListFailed));
        return;
    }
    // The user pressed 접속 and agreed to fetch the list: that connect goes on by itself.
    if ((std::exchange(m_connectWhenListArrives, false) || connectOnStart) && m_servers.Count() > 0) {
        OnConnect();
    }
}

bool CNorvantaVPNDlg::connectOnStartDue() const
{
    // Never with an empty password: the account must be the one remembered in full.
    return norvanta::app::restoreSwitch(norvanta::app::Switch::ConnectOnStart) && m_chkSavePassword->isChecked()
           && !m_editUserId->text().isEmpty() && !m_editPassword->text().isEmpty();
}

void CNorvantaVPNDlg::onServerActivated(int index)
{
    if (index >= 0 && static_cast<std::size_t>(index) < m_servers.Count()) {
        norvanta::app::saveLastServer(m_servers.ItemAt(static_cast<std::size_t>(index)).name);
    }
    refreshTrayDetails();
}

void CNorvantaVPNDlg::offerListRetry()
{
    if (MessageBox::ask(this, QString::fromUtf8(text::kClientCaption), QString::fromUtf8(text::kNoServer))) {
        m_connectWhenListArrives = true;
        fetchServerList();
    }
}

void CNorvantaVPNDlg::SetStatusText(const QString& status)
{
    qCInfo(lcStatus).noquote() << "status:" << status;
    m_txtState->SetText(status);
}

void CNorvantaVPNDlg::SetTimeText(const QString& time)
{
    qCDebug(lcStatus).noquote() << "time:" << time;
    m_txtTime->SetText(time);
}

QString CNorvantaVPNDlg::statusText() const
{
    return m_txtState->text();
}

QString CNorvantaVPNDlg::timeText() const
{
    return m_txtTime->text();
}

void CNorvantaVPNDlg::RestoreCredentials()
{
    const auto remembered = norvanta::app::RestoreCredentials();
    if (!remembered) {
        return;
    }
    m_chkSaveId->setChecked(remembered->saveId != 0);
    m_chkSavePassword->setChecked(remembered->savePassword != 0);
    if (remembered->saveId == 1) {
        m_editUserId->setText(fromCp949(remembered->userId));
        m_editPassword->setFocus();
        m_focusTimer.start();
    }
    if (remembered->savePassword == 1) {
        m_editPassword->setText(fromCp949(remembered->password));
    }
}

void CNorvantaVPNDlg::SaveCredentials()
{
    norvanta::app::SaveCredentials(toCp949(m_editUserId->text()), toCp949(m_editPassword->text()),
                                   m_chkSaveId->isChecked() ? 1 : 0, m_chkSavePassword->isChecked() ? 1 : 0);
}

void CNorvantaVPNDlg::OnSaveBoxToggled(const QObject* box, int state)
{
    int saveId = m_chkSaveId->isChecked() ? 1 : 0;
    int savePassword = m_chkSavePassword->isChecked() ? 1 : 0;
    if (box == m_chkSaveId) {
        norvanta::app::applySaveBoxToggle(norvanta::app::SaveBox::Id, state, saveId, savePassword);
    } else if (box == m_chkSavePassword) {
        norvanta::app::applySaveBoxToggle(norvanta::app::SaveBox::Password, state, saveId, savePassword);
    }
    m_chkSaveId->setChecked(saveId != 0);
    m_chkSavePassword->setChecked(savePassword != 0);
    if (state == 0) {
        norvanta::app::forgetUnticked(saveId, savePassword);
    }
}

void CNorvantaVPNDlg::OnConnect()
{
    // Nothing to dial before the list is in; 접속 is disabled and Enter waits too.
    if (m_listLoading) {
        return;
    }
    apply(m_dialState.connectPressed(m_servers.Count() > 0, m_dialer.IsConnected() == 1));
}

void CNorvantaVPNDlg::startDial()
{
    const std::string userId = toCp949(m_editUserId->text());
    const std::string password = toCp949(m_editPassword->text());
    const std::string address = m_servers.ItemAt(m_nServerIndex).address;
    const DWORD result = ConnectToServer(address, userId, password);
    apply(m_dialState.dialStarted(result, m_dialer.Handle()));
}

DWORD CNorvantaVPNDlg::ConnectToServer(const std::string& address, const std::string& userId,
                                       const std::string& password)
{
    using namespace norvanta::ras;
    WriteVpnEntry(kVpnEntryName, kVpnDeviceType, "", 4, 1, "", "");
    return m_dialer.Dial(kVpnEntryName, &RasDialNotifier, address, userId, password, "", "");
}

void CNorvantaVPNDlg::OnRasDialEvent(HRASCONN connection, unsigned state, unsigned long error)
{
    apply(m_dialState.dialEvent(connection, state, static_cast<DWORD>(error)));
}

void CNorvantaVPNDlg::applyPhaseControls(norvanta::app::DialState::Phase phase)
{
    // While a dial runs or a link is up the window must keep naming the server and the
    // account actually dialed; 접속종료 has something to end only then.
    const bool idle = phase == norvanta::app::DialState::Phase::Idle;
    m_cboServer->setEnabled(idle);
    m_editUserId->setEnabled(idle);
    m_editPassword->setEnabled(idle);
    m_btnDisconnect->setEnabled(!idle);
}

void CNorvantaVPNDlg::apply(const norvanta::app::DialState::Reaction& reaction)
{
    if (reaction.tickRunning == false) {
        m_connectedTimer.stop();
    }
    // Before any message box, so that the window behind it already shows the new phase.
    if (reaction.phaseChanged) {
        applyPhaseControls(*reaction.phaseChanged);
    }
    if (reaction.showNoServer) {
        offerListRetry();
    }
    if (reaction.showError) {
        showDialError(*reaction.showError);
        focusPasswordAfterRefusal(*reaction.showError);
    }
    if (reaction.hangUp) {
        HangUpConnection(m_dialer, norvanta::ras::kVpnEntryName);
    }
    if (reaction.saveCredentials) {
        SaveCredentials();
    }
    if (reaction.tickRunning == true) {
        m_connectedTimer.start();
    }
    if (reaction.status != nullptr) {
        SetStatusText(QString::fromUtf8(reaction.status));
    }
    if (reaction.statusText) {
        SetStatusText(QString::fromStdString(*reaction.statusText));
    }
    if (reaction.timeText) {
        SetTimeText(QString::fromStdString(*reaction.timeText));
    }
    if (reaction.progress) {
        // The time line has nothing to count while dialing; the progress shows there.
        SetTimeText(fromCp949(norvanta::ras::connStateName(*reaction.progress)));
    }
    if (reaction.connectEnabled && m_btnConnect != nullptr) {
        m_btnConnect->setEnabled(*reaction.connectEnabled);
    }
    if (reaction.disconnectEnabled && m_btnDisconnect != nullptr) {
        m_btnDisconnect->setEnabled(*reaction.disconnectEnabled);
    }
    if (reaction.phaseChanged && m_desktop != nullptr) {
        m_desktop->setPhase(*reaction.phaseChanged);
    }
    if (reaction.status != nullptr || reaction.statusText || reaction.timeText || reaction.phaseChanged) {
        refreshTrayDetails();
    }
    if (reaction.notify && !m_destroyed && m_desktop != nullptr) {
        m_desktop->notify(*reaction.notify);
    }
    // Last: a dial refused at once applies its own reaction over "connecting".
    if (reaction.startDial) {
        startDial();
    }
}

void CNorvantaVPNDlg::showDialError(DWORD error)
{
    char message[256] = {};
    QString shown;
    if (RasGetErrorStringA(static_cast<UINT>(error), message, sizeof message) == 0 && message[0] != '\0') {
        shown = fromCp949(message);
    } else {
        shown = QString::fromUtf8(text::kUnknownDialError).arg(error);
    }
    MessageBox::show(this, QString::fromUtf8(text::kDialErrorCaption), shown, MessageBox::Icon::Error);
}

void CNorvantaVPNDlg::focusPasswordAfterRefusal(DWORD error)
{
    // The password is what a refused login is retyped in.
    if (norvanta::app::isRefusedLogin(error)) {
        m_editPassword->setFocus();
        m_editPassword->selectAll();
    }
}

void CNorvantaVPNDlg::OnTimer(int timerId)
{
    if (timerId == TIMER_FOCUS_PASSWORD) {
        m_focusTimer.stop();
        m_editPassword->setFocus();
        return;
    }
    std::int32_t seconds = 0;
    const bool alive = m_dialer.GetConnectSeconds(seconds) != -1;
    apply(m_dialState.tick(alive ? std::optional(seconds) : std::nullopt));
}

void CNorvantaVPNDlg::OnDisconnect()
{
    apply(m_dialState.disconnectPressed());
}

void CNorvantaVPNDlg::OnServerInfo()
{
    CVpnHelpDlg help(this);
    help.setLinkDetails(linkDetailLines());
    help.exec();
}

void CNorvantaVPNDlg::OnServerSelChange(int index)
{
    m_nServerIndex = index;
    // The code at the start of a long name ("K1-1 ...") is what tells servers apart.
    if (QLineEdit* edit = m_cboServer->lineEdit()) {
        edit->setCursorPosition(0);
    }
    refreshTrayDetails();
}

void CNorvantaVPNDlg::OnDestroy()
{
    if (m_destroyed) {
        return;
    }
    m_destroyed = true;
    m_focusTimer.stop();
    apply(m_dialState.windowClosing());
}

void CNorvantaVPNDlg::done(int result)
{
    OnDestroy();
    CSkinDlg::done(result);
}

bool CNorvantaVPNDlg::event(QEvent* event)
{
    if (event->type() == norvanta::app::RasDialEvent::kType) {
        const auto* dial = static_cast<const norvanta::app::RasDialEvent*>(event);
        OnRasDialEvent(dial->connection(), dial->state(), dial->error());
        return true;
    }
    if (event->type() == norvanta::app::CheckToggledEvent::kType) {
        const auto* toggled = static_cast<const norvanta::app::CheckToggledEvent*>(event);
        OnSaveBoxToggled(toggled->box(), toggled->state());
        return true;
    }
    return CSkinDlg::event(event);
}

bool CNorvantaVPNDlg::eventFilter(QObject* watched, QEvent* event)
{
    // A key event travels from the focus widget up to the window, passing this filter at
    // each step; only its first stop, inside this window, counts.
    QWidget* focus = QApplication::focusWidget();
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this
        && watched == (focus ? focus : this)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !m_destroyed) {
            OnConnect();
            // The press is used up here. Passed on, it would climb to the window, and a
            // message box that opened and closed meanwhile moves the focus so that the
            // window looks like a first stop again: connect would run twice.
            return true;
        }
    }
    return CSkinDlg::eventFilter(watched, event);
}
