#include "app/StartupFetch.h"

#include "app/ServerListLoader.h"
#include "util/CRegistryEx.h"
#include "util/QEL_SyncArray.h"

#include <QCoreApplication>
#include <QEvent>

#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace norvanta::app {
namespace {

const QEvent::Type kFetchDone = static_cast<QEvent::Type>(QEvent::registerEventType());

// One answer of the worker, carried to the window's thread.
class FetchDoneEvent : public QEvent {
public:
    FetchDoneEvent(int generation, bool updaterLaunched, FetchedServerList list, std::string newVersion)
        : QEvent(kFetchDone), m_generation(generation), m_updaterLaunched(updaterLaunched), m_list(std::move(list)),
          m_newVersion(std::move(newVersion))
    {
    }
    int generation() const { return m_generation; }
    bool updaterLaunched() const { return m_updaterLaunched; }
    const FetchedServerList& list() const { return m_list; }
    const std::string& newVersion() const { return m_newVersion; }

private:
    int m_generation;
    bool m_updaterLaunched;
    FetchedServerList m_list;
    std::string m_newVersion;
};

FetchedServerList fetchServerList(const StartupFetch::Setup& setup)
{
    FetchedServerList fetched;
    QEL::QEL_Util::QEL_SyncArray<_SERVER_LIST> servers;
    fetched.reached = LoadServerList(setup.serverListUrl, servers, fetched.names, setup.pause);
    for (std::size_t index = 0; index < servers.Count(); ++index) {
        fetched.servers.push_back(servers.ItemAt(index));
    }
    return fetched;
}

} // namespace

// Shared by the object and its worker. The object lets go of the receiver under the
// lock before it dies, so the worker posts only to a live object.
struct StartupFetch::Channel {
    std::mutex mutex;
    QObject* receiver = nullptr;
    int generation = 0;
    // The settings key the update check opens stays open as long as start-up lives.
    CRegistryEx keptKey;

    void post(bool updaterLaunched, FetchedServerList list, std::string newVersion = {})
    {
        auto event =
            std::make_unique<FetchDoneEvent>(generation, updaterLaunched, std::move(list), std::move(newVersion));
        const std::lock_guard lock(mutex);
        if (receiver != nullptr) {
            QCoreApplication::postEvent(receiver, event.release());
        }
    }

    void release()
    {
        const std::lock_guard lock(mutex);
        receiver = nullptr;
    }
};

StartupFetch::StartupFetch(QObject* parent) : QObject(parent) {}

StartupFetch::~StartupFetch()
{
    if (m_channel) {
        m_channel->release();
    }
}

void StartupFetch::start(Setup setup)
{
    if (m_channel) {
        m_channel->release();
    }
    m_channel = std::make_shared<Channel>();
    m_channel->receiver = this;
    // An answer of an abandoned fetch may already be queued; it must not count.
    m_channel->generation = ++m_generation;
    m_running = true;
    m_handedToUpdater = false;
    if (!setup.pause) {
        setup.pause = &StartupFetch::sleepPause;
    }
    // Detached: the window must be able to end while a silent server still holds the
    // worker; the channel keeps what the worker touches alive until it is done.
    auto work = [channel = m_channel, setup = std::move(setup)] {
        try {
            std::string newVersion;
            if (setup.update
                && CheckForUpdate(channel->keptKey, *setup.update, &newVersion) == UpdateOutcome::UpdaterLaunched) {
                channel->post(true, {});
                return;
            }
            channel->post(false, fetchServerList(setup), std::move(newVersion));
        } catch (...) {
            // Nothing may escape the worker; the window is told the list could not be had.
            channel->post(false, {});
        }
    };
    try {
        std::thread(std::move(work)).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the same answer as a service that cannot be reached.
        m_channel->post(false, {});
    }
}

void StartupFetch::sleepPause(std::chrono::milliseconds pause)
{
    std::this_thread::sleep_for(pause);
}

bool StartupFetch::event(QEvent* event)
{
    if (event->type() != kFetchDone) {
        return QObject::event(event);
    }
    const auto* done = static_cast<const FetchDoneEvent*>(event);
    if (done->generation() != m_generation) {
        return true;
    }
    m_running = false;
    if (done->updaterLaunched()) {
        m_handedToUpdater = true;
        emit updaterLaunched();
    } else {
        if (!done->newVersion().empty()) {
            emit newVersionPublished(done->newVersion());
        }
        emit serverListFetched(done->list());
    }
    emit finished();
    return true;
}

} // namespace norvanta::app
