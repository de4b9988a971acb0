#include "tools/devservice/DevService.h"

#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace norvanta::tools {
namespace {

constexpr std::size_t kMaxRequestBytes = 1024 * 1024;
constexpr std::chrono::milliseconds kRequestReadTimeout{5000};
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
           "Content-Length: " + std::to_string(page.size()) + "\r\n\r\n" + page;
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

bool sendBytes(int fd, const char* data, std::size_t length)
{
    return norvanta::platform::sendAllBytes(fd, data, length);
}

void closeFd(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
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
      m_serverListAnswer(std::make_shared<const std::string>(
          okAnswer("text/xml; charset=euc-kr", m_config.serverList))),
      m_versionAnswer(std::make_shared<const std::string>(okAnswer("text/plain", m_config.versionText)))
{
}

DevService::~DevService()
{
    stop();
}

bool DevService::start()
{
    if (::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        m_error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(m_config.port);
    socklen_t length = sizeof address;
    if (m_listenFd < 0 || ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(m_listenFd, 16) != 0
        || ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        m_error = std::string("cannot listen on 127.0.0.1:") + std::to_string(m_config.port) + ": "
            + std::strerror(errno);
        stop();
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
    return true;
}

void DevService::stop()
{
    if (m_stopPipe[1] >= 0) {
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_stopPipe[1], &wake, 1);
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    closeFd(m_listenFd);
    closeFd(m_stopPipe[0]);
    closeFd(m_stopPipe[1]);
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
    pollfd pfd{m_stopPipe[0], POLLIN, 0};
    return ::poll(&pfd, 1, static_cast<int>(pause.count())) > 0;
}

void DevService::serve()
{
    for (;;) {
        std::array<pollfd, 2> fds{{{m_listenFd, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if (fds[0].revents & POLLIN) {
            int clientFd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (clientFd >= 0) {
                ++m_connections;
                handle(clientFd);
                closeFd(clientFd);
            }
        }
    }
}

void DevService::handle(int clientFd)
{
    const Misbehaviour misbehaviour = m_misbehaviour.load();
    if (misbehaviour == Misbehaviour::Silent) {
        waitForPeerToClose(clientFd);
        return;
    }
    if (misbehaviour == Misbehaviour::HangUp) {
        return;
    }
    const std::string request = readRequest(clientFd);
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
        sendSlowly(clientFd, *answer);
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
        sendEndlessly(clientFd, "HTTP/1.0 200 OK\r\n", "X-Filler: 0123456789abcdef0123456789abcdef\r\n");
        return;
    case Misbehaviour::EndlessBody:
        sendEndlessly(clientFd, "HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n",
                      std::string(64 * 1024, 'x'));
        return;
    }
    sendBytes(clientFd, answer->data(), answer->size());
    ::shutdown(clientFd, SHUT_WR);
}

std::string DevService::readRequest(int clientFd)
{
    std::string request;
    std::size_t wanted = std::string::npos;
    std::array<char, 4096> chunk{};
    while (request.size() < kMaxRequestBytes && (wanted == std::string::npos || request.size() < wanted)) {
        pollfd pfd{clientFd, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(kRequestReadTimeout.count())) <= 0) {
            break;
        }
        const ssize_t received = ::recv(clientFd, chunk.data(), chunk.size(), 0);
        if (received <= 0) {
            break;
        }
        request.append(chunk.data(), static_cast<std::size_t>(received));
        const std::size_t headerEnd = request.find("\r\n\r\n");
        if (wanted == std::string::npos && headerEnd != std::string::npos) {
            wanted = headerEnd + 4 + contentLength(request.substr(0, headerEnd + 2));
        }
    }
    const std::lock_guard lock(m_mutex);
    m_lastRequest = request;
    return request;
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

bool DevService::sendSlowly(int clientFd, const std::string& bytes)
{
    for (const char byte : bytes) {
        if (!sendBytes(clientFd, &byte, 1) || stopRequestedWithin(m_config.dripPause)) {
            return false;
        }
    }
    ::shutdown(clientFd, SHUT_WR);
    return true;
}

bool DevService::sendEndlessly(int clientFd, const std::string& prefix, const std::string& filler)
{
    if (!sendBytes(clientFd, prefix.data(), prefix.size())) {
        return false;
    }
    for (std::size_t sent = 0; sent < kMaxEndlessBytes; sent += filler.size()) {
        if (!sendBytes(clientFd, filler.data(), filler.size()) || stopRequestedWithin(std::chrono::milliseconds(0))) {
            return false;
        }
    }
    return true;
}

void DevService::waitForPeerToClose(int clientFd)
{
    std::array<pollfd, 2> fds{{{clientFd, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}}};
    std::array<char, 4096> discard{};
    for (;;) {
        fds[0].revents = fds[1].revents = 0;
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if (fds[0].revents != 0 && ::recv(clientFd, discard.data(), discard.size(), 0) <= 0) {
            return;
        }
    }
}

} // namespace norvanta::tools
