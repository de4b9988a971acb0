// The whole exchange of a request keeps to its time limit however the server stalls:
// each wait (name lookup, connect, send, receive) gets only the time the exchange has left.

#include "net/QEL_Request.h"
#include "platform/SocketLayer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using QEL::QEL_Network::QEL_Request;
using QEL::QEL_Network::TransportLimits;

// Every single wait may last longer than the whole exchange, so only the exchange's own
// deadline can end these cases on time.
constexpr auto kTotal = 800ms;
constexpr auto kSlack = 500ms; // thread start-up, a sanitizer build, a loaded machine

TransportLimits patientWaitsShortExchange()
{
    TransportLimits limits;
    limits.connectTimeout = 3000ms;
    limits.ioTimeout = 3000ms;
    limits.totalTimeout = kTotal;
    return limits;
}

struct Step {
    std::string bytes;
    std::chrono::milliseconds pauseAfter;
};

enum class Listener { Accepting, NeverAccepting };

// A loopback server that accepts one connection, never reads from it, sends the steps'
// bytes with their pauses and then holds the connection open until it is stopped.
class StallingServer {
public:
    StallingServer(std::vector<Step> steps, Listener listener) : m_steps(std::move(steps))
    {
        m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
            || ::listen(m_listenFd, 0) != 0
            || ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        m_port = ntohs(address.sin_port);
        if (listener == Listener::NeverAccepting) {
            fillAcceptQueue(address);
        } else {
            m_thread = std::thread([this] { serve(); });
        }
    }

    ~StallingServer()
    {
        {
            const std::lock_guard guard(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        ::shutdown(m_listenFd, SHUT_RDWR);
        if (m_thread.joinable()) {
            m_thread.join();
        }
        for (const int fd : m_fillers) {
            ::close(fd);
        }
        ::close(m_listenFd);
    }

    std::uint16_t port() const { return m_port; }

private:
    // With the queue of a backlog-0 listener full, the kernel drops further SYNs and a
    // connect waits for as long as its caller lets it.
    void fillAcceptQueue(const sockaddr_in& address)
    {
        for (int i = 0; i < 4; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
            m_fillers.push_back(fd);
        }
        std::this_thread::sleep_for(100ms);
    }

    void serve()
    {
        const int client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            return;
        }
        std::unique_lock lock(m_mutex);
        for (const Step& step : m_steps) {
            if (m_stop || ::send(client, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL) < 0) {
                break;
            }
            m_wake.wait_for(lock, step.pauseAfter, [this] { return m_stop; });
        }
        m_wake.wait(lock, [this] { return m_stop; });
        ::close(client);
    }

    std::vector<Step> m_steps;
    int m_listenFd = -1;
    std::uint16_t m_port = 0;
    std::vector<int> m_fillers;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

struct StallCase {
    const char* name;
    std::vector<Step> steps;
    Listener listener = Listener::Accepting;
    std::size_t requestBodyBytes = 0;
    std::chrono::milliseconds lookupDelay{0};
};

void PrintTo(const StallCase& c, std::ostream* out)
{
    *out << c.name;
}

std::vector<Step> oneBytePer(std::chrono::milliseconds pause)
{
    return std::vector<Step>(20, Step{"H", pause});
}

class DeadlineTest : public testing::TestWithParam<StallCase> {
protected:
    void TearDown() override { norvanta::platform::SetNameLookupDelayForTesting(0ms); }
};

TEST_P(DeadlineTest, ExchangeEndsByItsTotalTime)
{
    const StallCase& c = GetParam();
    StallingServer server(c.steps, c.listener);
    ASSERT_NE(server.port(), 0);
    norvanta::platform::SetNameLookupDelayForTesting(c.lookupDelay);
    const std::string url = "http://localhost:" + std::to_string(server.port()) + "/serverlist.xml";
    const std::string requestBody(c.requestBodyBytes, 'x');
    std::string header = "untouched";
    std::string body;

    const auto start = Clock::now();
    const bool fetched = QEL_Request(patientWaitsShortExchange()).Request(url, requestBody, header, body);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);

    EXPECT_FALSE(fetched);
    EXPECT_EQ(body, "ERROR");
    EXPECT_LT(took, kTotal + kSlack);
}

INSTANTIATE_TEST_SUITE_P(
    Stalls, DeadlineTest,
    testing::Values(StallCase{"SilentServer", {}},
                    StallCase{"SilentInsideTheHeader", {{"HTTP/1.0 200 OK\r\nX: ", 0ms}}},
                    StallCase{"SilentInsideTheBody", {{"HTTP/1.0 200 OK\r\n\r\n<list>", 0ms}}},
                    StallCase{"OneBytePerSecondAndAHalf", oneBytePer(1500ms)},
                    StallCase{"LargeRequestNeverRead", {}, Listener::Accepting, 8u << 20},
                    StallCase{"ConnectionNeverAccepted", {}, Listener::NeverAccepting},
                    StallCase{"SlowNameLookup", {}, Listener::Accepting, 0, 3000ms}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
