#include "app/AppEvents.h"

#include "app/CNorvantaVPNDlg.h"

#include <QCoreApplication>

#include <atomic>

namespace norvanta::app {
namespace {

class DialEventRelay : public QObject {
public:
    explicit DialEventRelay(QObject* parent) : QObject(parent) {}
    ~DialEventRelay() override;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != RasDialEvent::kType) {
            return QObject::event(event);
        }
        if (g_pMainDlg != nullptr) {
            QCoreApplication::sendEvent(g_pMainDlg, event);
        }
        return true;
    }
};

std::atomic<DialEventRelay*> g_relay{nullptr};

DialEventRelay::~DialEventRelay()
{
    norvanta::ras::setDialEventSink(nullptr);
    g_relay.store(nullptr);
}

// Runs on the remote-access thread: it only posts, which Qt allows from any thread.
void postDialEvent(HRASCONN connection, RASCONNSTATE state, DWORD error)
{
    if (DialEventRelay* relay = g_relay.load()) {
        QCoreApplication::postEvent(relay, new RasDialEvent(connection, static_cast<unsigned>(state), error));
    }
}

} // namespace

void installDialEventRelay()
{
    if (g_relay.load() == nullptr) {
        g_relay.store(new DialEventRelay(QCoreApplication::instance()));
        norvanta::ras::setDialEventSink(&postDialEvent);
    }
}

} // namespace norvanta::app
