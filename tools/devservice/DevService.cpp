#include "tools/devservice/DevService.h"

#include "platform/Socket.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>

namespace norvanta::tools {
namespace {

constexpr std::size_t kMaxRequestBytes = 1024 * 1024;
constexpr std::chrono::milliseconds kRequestReadTimeout{5000};
// A client that stops reading without hanging up ends its answer after this long, so no
// send holds up stop() for good; a sanitizer build reading a large list is far quicker.
constexpr std::chrono::milliseconds kSendTimeout{60000};
// Even a misbehaving server stops on its own; a client under test hangs up far sooner.
constexpr std::size_t kMaxEndlessBytes = 256 * 1024 * 1024;

constexpr const char* kServerListPath = "/serverlist.xml";
constexpr const char* kVersionPath = "/update/Update_Ver.txt";

struct NamedMisbehaviour {
    Misbehaviour value;
    const char* name;
};

constexpr std::array<NamedMisbehaviour, 9> kMisbehaviourNames{{
    {Misbehaviour::None, "none"},
    {Misbehaviour::NotFound, "404"},
    {Misbehaviour::CloseMidHeader, "close-mid-header"},
    {Misbehaviour::Silent, "silent"},
    {Misbehaviour::SlowDrip, "drip"},
    {Misbehaviour::NulInBody, "nul-body"},
    {Misbehaviour::EndlessHeader, "endless-header"},
    {Misbehaviour::EndlessBody, "endless-body"},
    {Misbehaviour::HangUp, "hang-up"},
}};

std::string okAnswer(const std::string& contentType, const std::string& body)
{
    return "HTTP/1.0 200 OK\r\nServer: norvanta-devservice\r\nContent-Type: " + contentType
           + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string notFoundAnswer()
{
    const std::string page =
        "<html><head><title>404 Not Found</title></head>"
        "<body><h1>Not Found</h1><p>The requested URL was not found on this server.</p></body></html>\n";
    return "HTTP/1.0 404 Not Found\r\nServer: norvanta-devservice\r\nContent-Type: text/html\r\n"
           "Content-Length: "
           + std::to_string(page.size()) + "\r\n\r\n" + page;
}

// "POST /path HTTP/1.0" -> "/path"; empty when the request line is not of that shape.
std::string requestPath(const std::string& request)
{
    const std::size_t firstSpace = request.find(' ');
    if (firstSpace == std::string::npos) {
        return {};
    }
    const std::size_t secondSpace = request.find(' ', firstSpace + 1);
    if (secondSpace == std::string::npos) {
        return {};
    }
    return request.substr(firstSpace + 1, secondSpace - firstSpace - 1);
}

std::size_t contentLength(const std::string& header)
{
    std::string lower(header);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::string field = "\r\ncontent-length:";
    const std::size_t at = lower.find(field);
    if (at == std::string::npos) {
        return 0;
    }
    std::size_t value = 0;
    for (std::size_t i = at + field.size(); i < lower.size(); ++i) {
        const char c = lower[i];
        if (c == ' ') {
            continue;
        }
        if (c < '0' || c > '9') {
            break;
        }
        value = std::min(value * 10 + static_cast<std::size_t>(c - '0'), kMaxRequestBytes);
    }
    return value;
}

bool sendBytes(platform::Socket& client, const char* data, std::size_t length)
{
    return client.sendAll(data, length, std::chrono::steady_clock::now() + kSendTimeout);
}

// After a wait said the client's socket is readable: its bytes, or the end of the stream.
platform::ReceiveResult receiveReady(platform::Socket& client, char* buffer, std::size_t capacity)
{
    return client.receive(buffer, capacity, std::chrono::steady_clock::now());
}

} // namespace

std::optional<Misbehaviour> misbehaviourFromName(const std::string& name)
{
    for (const auto& entry : kMisbehaviourNames) {
        if (name == entry.name) {
            return entry.value;
        }
    }
    return std::nullopt;
}

const char* misbehaviourName(Misbehaviour misbehaviour)
{
    for (const auto& entry : kMisbehaviourNames) {
        if (misbehaviour == entry.value) {
            return entry.name;
        }
    }
    return "?";
}

DevService::DevService(DevServiceConfig config)
    : m_config(std::move(config)), m_misbehaviour(m_config.misbehaviour),
      m_serverListAnswer(
          std::make_shared<const std::string>(okAnswer("text/xml; charset=euc-kr", m_config.serverList))),
      m_versionAnswer(std::make_shared<const std::string>(okAnswer("text/plain", m_config.versionText)))
{
}

DevService::~DevService()
{
    stop();
}

bool DevService::start()
{
    m_stop = platform::startSocketLayer() ? std::make_unique<platform::SocketWaiter>() : nullptr;
    if (!m_stop || !m_stop->valid()) {
        m_error = "cannot start the socket layer: " + platform::lastSocketErrorText();
        m_stop.reset();
        return false;
    }
    m_listener = platform::Socket::listenOnLoopback(m_config.port);
    m_port = m_listener.valid() ? m_listener.localPort() : 0;
    if (m_port == 0) {
        m_error =
            "cannot listen on 127.0.0.1:" + std::to_string(m_config.port) + ": " + platform::lastSocketErrorText();
        stop();
        return false;
    }
    m_thread = std::thread([this] { serve(); });
    return true;
}

void DevService::stop()
{
    if (m_stop) {
        m_stop->wake();
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_listener = platform::Socket();
    m_stop.reset();
}

std::string DevService::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void DevService::setServerList(const std::string& serverList)
{
    auto answer = std::make_shared<const std::string>(okAnswer("text/xml; charset=euc-kr", serverList));
    const std::lock_guard lock(m_mutex);
    m_serverListAnswer = std::move(answer);
}

void DevService::setRawAnswer(const std::string& answer)
{
    auto raw = answer.empty() ? nullptr : std::make_shared<const std::string>(answer);
    const std::lock_guard lock(m_mutex);
    m_rawAnswer = std::move(raw);
}

std::string DevService::lastRequest() const
{
    const std::lock_guard lock(m_mutex);
    return m_lastRequest;
}

bool DevService::stopRequestedWithin(std::chrono::milliseconds pause)
{
    return m_stop->waitReadable({}, pause) == platform::SocketWaiter::kWoken;
}

void DevService::serve()
{
    for (;;) {
        const int ready = m_stop->waitReadable({m_listener.handle()}, std::nullopt);
        if (ready == platform::SocketWaiter::kWoken || ready == platform::SocketWaiter::kFailed) {
            return;
        }
        if (ready == 0) {
            platform::Socket client = m_listener.accept();
            if (client.valid()) {
                ++m_connections;
                handle(client);
            }
        }
    }
}

void DevService::handle(platform::Socket& client)
{
    const Misbehaviour misbehaviour = m_misbehaviour.load();
    if (misbehaviour == Misbehaviour::Silent) {
        waitForPeerToClose(client);
        return;
    }
    if (misbehaviour == Misbehaviour::HangUp) {
        return;
    }
    const std::string request = readRequest(client);
    logRequestLine(request);
    std::shared_ptr<const std::string> answer = answerFor(request);
    switch (misbehaviour) {
    case Misbehaviour::None:
    case Misbehaviour::Silent:
    case Misbehaviour::HangUp:
        break;
    case Misbehaviour::NotFound:
        answer = std::make_shared<const std::string>(notFoundAnswer());
        break;
    case Misbehaviour::CloseMidHeader:
        answer = std::make_shared<const std::string>("HTTP/1.0 200 OK\r\nContent-Ty");
        break;
    case Misbehaviour::SlowDrip:
        sendSlowly(client, *answer);
        return;
    case Misbehaviour::NulInBody: {
        std::string withNul = *answer;
        const std::size_t headerEnd = withNul.find("\r\n\r\n");
        const std::size_t bodyStart = headerEnd == std::string::npos ? 0 : headerEnd + 4;
        withNul.insert(bodyStart + (withNul.size() - bodyStart) / 2, 1, '\0');
        answer = std::make_shared<const std::string>(std::move(withNul));
        break;
    }
    case Misbehaviour::EndlessHeader:
        sendEndlessly(client, "HTTP/1.0 200 OK\r\n", "X-Filler: 0123456789abcdef0123456789abcdef\r\n");
        return;
    case Misbehaviour::EndlessBody:
        sendEndlessly(client, "HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n", std::string(64 * 1024, 'x'));
        return;
    }
    sendBytes(client, answer->data(), answer->size());
    client.shutdownSend();
}

std::string DevService::readRequest(platform::Socket& client)
{
    std::string request;
    std::size_t wanted = std::string::npos;
    std::array<char, 4096> chunk{};
    while (request.size() < kMaxRequestBytes && (wanted == std::string::npos || request.size() < wanted)) {
        if (m_stop->waitReadable({client.handle()}, kRequestReadTimeout) != 0) {
            break;
        }
        const platform::ReceiveResult received = receiveReady(client, chunk.data(), chunk.size());
        if (received.status != platform::ReceiveResult::Status::Data) {
            break;
        }
        request.append(chunk.data(), received.bytes);
        const std::size_t headerEnd = request.find("\r\n\r\n");
        if (wanted == std::string::npos && headerEnd != std::string::npos) {
            wanted = headerEnd + 4 + contentLength(request.substr(0, headerEnd + 2));
        }
    }
    const std::lock_guard lock(m_mutex);
    m_lastRequest = request;
    return request;
}

// Lets a script see what a client it cannot look into asked for.
void DevService::logRequestLine(const std::string& request) const
{
    if (m_config.requestLog.empty()) {
        return;
    }
    std::ofstream(m_config.requestLog, std::ios::app) << request.substr(0, request.find("\r\n")) << "\n";
}

std::shared_ptr<const std::string> DevService::answerFor(const std::string& request) const
{
    const std::string path = requestPath(request);
    const bool post = request.rfind("POST ", 0) == 0;
    const std::lock_guard lock(m_mutex);
    if (m_rawAnswer) {
        return m_rawAnswer;
    }
    if (post && path == kServerListPath) {
        return m_serverListAnswer;
    }
    if (post && path == kVersionPath) {
        return m_versionAnswer;
    }
    return std::make_shared<const std::string>(notFoundAnswer());
}

bool DevService::sendSlowly(platform::Socket& client, const std::string& bytes)
{
    for (const char byte : bytes) {
        if (!sendBytes(client, &byte, 1) || stopRequestedWithin(m_config.dripPause)) {
            return false;
        }
    }
    client.shutdownSend();
    return true;
}

bool DevService::sendEndlessly(platform::Socket& client, const std::string& prefix, const std::string& filler)
{
    if (!sendBytes(client, prefix.data(), prefix.size())) {
        return false;
    }
    for (std::size_t sent = 0; sent < kMaxEndlessBytes; sent += filler.size()) {
        if (!sendBytes(client, filler.data(), filler.size()) || stopRequestedWithin(std::chrono::milliseconds(0))) {
            return false;
        }
    }
    return true;
}

void DevService::waitForPeerToClose(platform::Socket& client)
{
    std::array<char, 4096> discard{};
    for (;;) {
        const int ready = m_stop->waitReadable({client.handle()}, std::nullopt);
        if (ready != 0
            || receiveReady(client, discard.data(), discard.size()).status != platform::ReceiveResult::Status::Data) {
            return;
        }
    }
}

} // namespace norvanta::tools
