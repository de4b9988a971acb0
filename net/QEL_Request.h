#pragma once

#include "net/GrowingBuffer.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace QEL::QEL_Network {

// Bounds that keep a silent, slow or hostile web server from freezing the window
// or exhausting memory. Passing any of them fails the request as a transport failure.
struct TransportLimits {
    std::chrono::milliseconds connectTimeout{10'000}; // connecting to the server
    std::chrono::milliseconds ioTimeout{10'000};      // each send or receive call
    // The whole exchange, name lookup included; every wait above ends by it as well.
    std::chrono::milliseconds totalTimeout{60'000};
    std::size_t maxHeaderBytes = 64 * 1024;
    std::size_t maxBodyBytes = 16 * 1024 * 1024;
};

// The parts of a URL as the request needs them.
struct ParsedUrl {
    std::string scheme;     // upper-cased, at most 19 characters; "HTTP" when the URL has no ':'
    std::string host;       // upper-cased, at most 255 characters, port removed
    std::string path;       // rest of the URL in its original case, at most 8191; may be empty
    std::int32_t port = 80; // 80 unless the host carries ":<number>" (a non-number gives 0)
};

// What came back from the server; both may hold NUL bytes and are NUL-terminated.
struct Response {
    norvanta::net::GrowingBuffer header; // every byte up to and including the empty line
    norvanta::net::GrowingBuffer body;   // every byte after the header until the server closed
    std::size_t bodyLength = 0;          // body.size()
};

// Fetches one document with a hand-built HTTP/1.0 POST over a blocking IPv4 TCP
// connection. No proxy, TLS, redirects, chunking or decompression.
class QEL_Request {
public:
    QEL_Request() = default;
    explicit QEL_Request(const TransportLimits& limits) : m_limits(limits) {}
    virtual ~QEL_Request() = default;

    // POSTs body to url with the form content type. True on success, with the header
    // text and the body each cut at their first NUL byte. False on a transport failure:
    // bodyText becomes "ERROR" and headerText is left as it was.
    bool Request(const std::string& url, const std::string& body, std::string& headerText, std::string& bodyText);

    // Splits url into scheme, host, path and port; never fails.
    static ParsedUrl ParseUrl(const std::string& url);

    // Sends the request and reads the response. 0 on success (an early close or a
    // receive error still counts, with what arrived); 1 on a wrong scheme, no socket
    // layer, an unresolvable or unreachable host, a time-out or a response past the caps.
    int SendRequest(const char* body, std::size_t length, const std::string& url, const std::string& extraHeaders,
                    Response& response);

private:
    TransportLimits m_limits;
};

} // namespace QEL::QEL_Network
