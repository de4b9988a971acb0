#include "net/QEL_Request.h"

#include "net/GrowingBuffer.h"
#include "platform/Socket.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace QEL::QEL_Network {
namespace {

using norvanta::net::GrowingBuffer;
using norvanta::platform::ReceiveResult;
using norvanta::platform::Socket;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kSchemeCapacity = 20;
constexpr std::size_t kHostCapacity = 256;
constexpr std::size_t kPathCapacity = 8192;
constexpr std::size_t kBodyChunk = 8191;

constexpr char kMethod[] = "POST ";
constexpr char kProtocol[] = " HTTP/1.0\r\n";
constexpr char kAccept[] = "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, "
                           "application/msword, application/vnd.ms-powerpoint, */*\r\n";
constexpr char kLanguage[] = "Accept-Language: en-us\r\n";
constexpr char kEncoding[] = "Accept-Encoding: gzip, deflate\r\n";
constexpr char kAgent[] = "User-Agent: Mozilla/4.0\r\n";
constexpr char kHostPrefix[] = "Host: ";
constexpr char kLineEnd[] = "\r\n";
constexpr char kFormContentType[] = "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr char kFailureText[] = "ERROR";

enum class Phase { Done, Failed };

char toUpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isHostCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
           || c == ':';
}

// Copies at most capacity - 1 characters, as a fixed field with its terminator would hold.
std::string limited(const std::string& text, std::size_t begin, std::size_t end, std::size_t capacity)
{
    return text.substr(begin, std::min(end - begin, capacity - 1));
}

// Leading decimal digits with an optional sign, like atoi, but saturating instead of
// overflowing; anything else gives 0.
std::int32_t parsePort(const std::string& text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), INT32_MAX);
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::string contentLengthLine(std::size_t length)
{
    return "Content-Length: " + std::to_string(length) + kLineEnd;
}

// The time limits of one exchange. Every wait ends by the exchange's own deadline, so
// a server that keeps each single wait short (or a slow name server) cannot stretch the
// whole beyond it.
class Deadlines {
public:
    explicit Deadlines(const TransportLimits& limits)
        : m_limits(limits), m_exchangeEnd(Clock::now() + limits.totalTimeout)
    {
    }

    Clock::time_point forConnect() const { return within(m_limits.connectTimeout); }
    Clock::time_point forIo() const { return within(m_limits.ioTimeout); }
    Clock::time_point forLookup() const { return m_exchangeEnd; }
    bool passed() const { return Clock::now() > m_exchangeEnd; }

private:
    Clock::time_point within(std::chrono::milliseconds wait) const
    {
        return std::min(Clock::now() + wait, m_exchangeEnd);
    }

    const TransportLimits& m_limits;
    const Clock::time_point m_exchangeEnd;
};

class Exchange {
public:
    Exchange(Socket& connection, const Deadlines& deadlines) : m_connection(connection), m_deadlines(deadlines) {}

    // The header block arrives one byte per receive call, so no byte of the body
    // is consumed before the empty line has been seen.
    Phase readHeader(GrowingBuffer& header)
    {
        std::size_t lineLength = 0;
        for (;;) {
            char byte = 0;
            const ReceiveResult received = m_connection.receive(&byte, 1, m_deadlines.forIo());
            if (received.status == ReceiveResult::Status::TimedOut) {
                return Phase::Failed;
            }
            if (received.status != ReceiveResult::Status::Data) {
                break;
            }
            if (!header.append(&byte, 1) || m_deadlines.passed()) {
                return Phase::Failed;
            }
            if (byte == '\n') {
                if (lineLength == 0) {
                    break;
                }
                lineLength = 0;
            } else if (byte != '\r') {
                ++lineLength;
            }
        }
        return Phase::Done;
    }

    Phase readBody(GrowingBuffer& collected)
    {
        std::vector<char> chunk(kBodyChunk + 1);
        for (;;) {
            const ReceiveResult received = m_connection.receive(chunk.data(), kBodyChunk, m_deadlines.forIo());
            if (received.status == ReceiveResult::Status::TimedOut) {
                return Phase::Failed;
            }
            if (received.status != ReceiveResult::Status::Data) {
                break;
            }
            if (!collected.append(chunk.data(), received.bytes) || m_deadlines.passed()) {
                return Phase::Failed;
            }
        }
        return Phase::Done;
    }

private:
    Socket& m_connection;
    const Deadlines& m_deadlines;
};

// Each piece goes out in its own send call; send failures are not acted on here
// because they show up as an empty or partial response, which the callers judge.
void sendRequestText(Socket& connection, const Deadlines& deadlines, const ParsedUrl& url, const char* body,
                     std::size_t length, const std::string& extraHeaders)
{
    const auto send = [&](std::string_view piece) {
        connection.sendAll(piece.data(), piece.size(), deadlines.forIo());
    };
    send(kMethod);
    send(url.path.empty() ? std::string_view("/") : std::string_view(url.path));
    send(kProtocol);
    send(kAccept);
    send(kLanguage);
    send(kEncoding);
    send(kAgent);
    if (length != 0) {
        send(contentLengthLine(length));
    }
    send(kHostPrefix);
    send(url.host);
    send(kLineEnd);
    if (!extraHeaders.empty()) {
        send(extraHeaders);
    }
    send(kLineEnd);
    if (length != 0) {
        send(std::string_view(body, length));
    }
}

std::string upToFirstNul(std::string_view text)
{
    return std::string(text.substr(0, text.find('\0')));
}

} // namespace

ParsedUrl QEL_Request::ParseUrl(const std::string& url)
{
    ParsedUrl parsed;
    std::string upper(url);
    for (char& c : upper) {
        c = toUpperAscii(c);
    }

    std::size_t position = 0;
    const std::size_t colon = upper.find(':');
    if (colon != std::string::npos) {
        parsed.scheme = limited(upper, 0, colon, kSchemeCapacity);
        position = colon + 1;
    } else {
        parsed.scheme = "HTTP";
    }
    if (upper.compare(position, 2, "//") == 0) {
        position += 2;
    }

    std::size_t hostEnd = position;
    while (hostEnd < upper.size() && isHostCharacter(upper[hostEnd])) {
        ++hostEnd;
    }
    parsed.host = limited(upper, position, hostEnd, kHostCapacity);
    parsed.path = limited(url, hostEnd, url.size(), kPathCapacity);

    const std::size_t portColon = parsed.host.find(':');
    if (portColon != std::string::npos) {
        parsed.port = parsePort(parsed.host.substr(portColon + 1));
        parsed.host.resize(portColon);
    }
    return parsed;
}

int QEL_Request::SendRequest(const char* body, std::size_t length, const std::string& url,
                             const std::string& extraHeaders, Response& response)
{
    constexpr int kSuccess = 0;
    constexpr int kFailure = 1;

    const Deadlines deadlines(m_limits);
    const ParsedUrl parsed = ParseUrl(url);
    if (parsed.scheme != "HTTP" || !norvanta::platform::startSocketLayer()) {
        return kFailure;
    }
    // An unresolvable host fails here rather than connecting to 0.0.0.0, which Linux
    // would quietly treat as this machine. A port outside 1..65535 is never reachable.
    std::uint32_t address = 0;
    if (parsed.port <= 0 || parsed.port > 65535
        || !norvanta::platform::resolveIpv4(parsed.host, address, deadlines.forLookup())) {
        return kFailure;
    }
    Socket connection = Socket::connectTo(address, static_cast<std::uint16_t>(parsed.port), deadlines.forConnect());
    if (!connection.valid()) {
        return kFailure;
    }

    sendRequestText(connection, deadlines, parsed, body, length, extraHeaders);

    Exchange exchange(connection, deadlines);
    Response received{GrowingBuffer(m_limits.maxHeaderBytes), GrowingBuffer(m_limits.maxBodyBytes)};
    if (exchange.readHeader(received.header) == Phase::Failed || exchange.readBody(received.body) == Phase::Failed) {
        return kFailure;
    }
    received.bodyLength = received.body.size();
    response = std::move(received);
    return kSuccess;
}

bool QEL_Request::Request(const std::string& url, const std::string& body, std::string& headerText,
                          std::string& bodyText)
{
    // The body travels from a buffer of our own, with room for a terminator, so the
    // caller's text is never read past its end.
    std::vector<char> bodyCopy(body.begin(), body.end());
    bodyCopy.push_back('\0');

    Response response;
    if (SendRequest(bodyCopy.data(), body.size(), url, kFormContentType, response) != 0) {
        bodyText = kFailureText;
        return false;
    }
    headerText = upToFirstNul(response.header.view());
    bodyText = upToFirstNul(response.body.view());
    return true;
}

} // namespace QEL::QEL_Network
