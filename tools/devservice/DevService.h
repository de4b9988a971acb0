#pragma once

#include "platform/Socket.h"

#include <atomic>
#include <memory>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace norvanta::tools {

// How the server treats every request, so that tests can meet each way a real web
// server can go wrong.
enum class Misbehaviour {
    None,           // answer 200 with the document
    NotFound,       // answer a 404 page for every path
    CloseMidHeader, // send part of the status line and header, then close
    Silent,         // accept, read nothing, send nothing, hold the connection
    SlowDrip,       // send the whole normal answer one byte at a time, with pauses
    NulInBody,      // a NUL byte in the middle of the document
    EndlessHeader,  // header lines without end (bounded only by the client hanging up)
    EndlessBody,    // a 200 header, then body bytes without end
    HangUp,         // close the connection at once, before reading the request
};

// The name used on the command line ("none", "404", "close-mid-header", ...).
std::optional<Misbehaviour> misbehaviourFromName(const std::string& name);
const char* misbehaviourName(Misbehaviour misbehaviour);

struct DevServiceConfig {
    std::string serverList;  // body for POST /serverlist.xml
    std::string versionText; // body for POST /update/Update_Ver.txt
    Misbehaviour misbehaviour = Misbehaviour::None;
    std::chrono::milliseconds dripPause{20};
    std::uint16_t port = 0;   // 0: an ephemeral port
    std::string requestLog{}; // when set, each request's first line is appended to this file
};

// Serves the two documents of the service web server on 127.0.0.1, one connection at
// a time, on a thread of its own. HTTP/1.0: every answer ends by closing the connection.
class DevService {
public:
    explicit DevService(DevServiceConfig config);
    ~DevService();
    DevService(const DevService&) = delete;
    DevService& operator=(const DevService&) = delete;

    // Binds, listens and starts serving; false (with reason in error()) when it cannot.
    bool start();
    // Stops serving and closes every socket; also done by the destructor.
    void stop();

    std::uint16_t port() const { return m_port; }
    const std::string& error() const { return m_error; }
    std::string url(const std::string& path) const;

    // Changes how later requests are answered.
    void setMisbehaviour(Misbehaviour misbehaviour) { m_misbehaviour = misbehaviour; }
    void setServerList(const std::string& serverList);
    // From now on answer every request with exactly these bytes (the misbehaviour
    // still decides how they are sent); an empty text goes back to the documents.
    void setRawAnswer(const std::string& answer);

    // The bytes of the last request read whole (header block and body), and how many
    // connections were accepted so far.
    std::string lastRequest() const;
    int connectionCount() const { return m_connections; }

private:
    void serve();
    void handle(platform::Socket& client);
    std::string readRequest(platform::Socket& client);
    void logRequestLine(const std::string& request) const;
    std::shared_ptr<const std::string> answerFor(const std::string& request) const;
    bool sendSlowly(platform::Socket& client, const std::string& bytes);
    bool sendEndlessly(platform::Socket& client, const std::string& prefix, const std::string& filler);
    void waitForPeerToClose(platform::Socket& client);
    bool stopRequestedWithin(std::chrono::milliseconds pause);

    DevServiceConfig m_config;
    std::atomic<Misbehaviour> m_misbehaviour;
    std::atomic<int> m_connections{0};
    std::uint16_t m_port = 0;
    std::string m_error;
    platform::Socket m_listener;
    std::unique_ptr<platform::SocketWaiter> m_stop; // woken once, to end serve()
    std::thread m_thread;
    // Answers are rendered once, not per request, so that serving a large list costs
    // the server no more than the copy into the socket.
    mutable std::mutex m_mutex; // guards the four members below
    std::string m_lastRequest;
    std::shared_ptr<const std::string> m_rawAnswer;
    std::shared_ptr<const std::string> m_serverListAnswer;
    std::shared_ptr<const std::string> m_versionAnswer;
};

} // namespace norvanta::tools
