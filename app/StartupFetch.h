#pragma once

#include "app/UpdateCheck.h"
#include "util/ServerList.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace norvanta::app {

// What one fetch of the server list brought back: the records and their names in
// document order, and whether the service web server was reached at all.
struct FetchedServerList {
    bool reached = false;
    std::vector<_SERVER_LIST> servers;
    std::vector<std::string> names;
};

// The slow network part of start-up, off the window's thread: the update check when one
// is asked for, then, unless the updater took over, the server list. Requests, retries
// and pauses are those of CheckForUpdate and LoadServerList. The answers arrive as
// signals on this object's thread, in that order.
//
// Destroying the object never waits for the worker: a worker still held by a silent
// server ends on its own, and its answer is dropped.
class StartupFetch : public QObject {
    Q_OBJECT

public:
    struct Setup {
        std::optional<UpdateCheckSetup> update; // no update check when empty
        std::string serverListUrl;
        std::function<void(std::chrono::milliseconds)> pause; // between list attempts
    };

    explicit StartupFetch(QObject* parent = nullptr);
    ~StartupFetch() override;
    StartupFetch(const StartupFetch&) = delete;
    StartupFetch& operator=(const StartupFetch&) = delete;

    // Starts the work. A fetch already running is abandoned: only the newest one answers.
    void start(Setup setup);

    bool running() const { return m_running; }
    bool handedToUpdater() const { return m_handedToUpdater; }

    // Sleeps the calling (worker) thread: the production pause between list attempts.
    static void sleepPause(std::chrono::milliseconds pause);

signals:
    // The update check started the updater; no list follows.
    void updaterLaunched();
    // A newer version is published and no updater stands beside the client (a packaged
    // install): told once, before the list that follows. CP949, as the service sent it.
    void newVersionPublished(const std::string& version);
    void serverListFetched(const norvanta::app::FetchedServerList& list);
    // After either of the two above.
    void finished();

protected:
    bool event(QEvent* event) override;

private:
    struct Channel;
    std::shared_ptr<Channel> m_channel;
    int m_generation = 0;
    bool m_running = false;
    bool m_handedToUpdater = false;
};

} // namespace norvanta::app
