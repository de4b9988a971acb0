// How the client reads answers, including those of servers that misbehave.

#include "net/GrowingBuffer.h"
#include "net/QEL_Request.h"
#include "tools/devservice/DevService.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using norvanta::tools::DevService;
using norvanta::tools::DevServiceConfig;
using norvanta::tools::Misbehaviour;
using QEL::QEL_Network::QEL_Request;
using QEL::QEL_Network::Response;
using QEL::QEL_Network::TransportLimits;

const std::string kServerList =
    "<?xml version=\"1.0\" encoding=\"euc-kr\"?>\n<list><datarow><server_name>K1-1 \xBC\xAD\xBF\xEF"
    "</server_name><server_addr>127.0.0.1</server_addr></datarow></list>\n";

// Limits small enough that each misbehaviour is met within a fraction of a second.
TransportLimits quickLimits()
{
    TransportLimits limits;
    limits.connectTimeout = 1000ms;
    limits.ioTimeout = 300ms;
    limits.totalTimeout = 2000ms;
    limits.maxHeaderBytes = 4096;
    limits.maxBodyBytes = 64 * 1024;
    return limits;
}

class ResponseTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_service.start()) << m_service.error(); }

    bool fetch() { return m_request.Request(m_service.url("/serverlist.xml"), "", m_header, m_body); }

    int send(Response& response)
    {
        return m_request.SendRequest("", 0, m_service.url("/serverlist.xml"), "", response);
    }

    DevService m_service{DevServiceConfig{kServerList, "1.0.3"}};
    QEL_Request m_request{quickLimits()};
    std::string m_header = "untouched";
    std::string m_body;
};

TEST_F(ResponseTest, HeaderEndsAtTheEmptyLineAndTheBodyAtTheClose)
{
    m_service.setRawAnswer("HTTP/1.0 200 OK\r\n\r\nabc");
    Response response;
    ASSERT_EQ(send(response), 0);
    EXPECT_EQ(response.header.view(), "HTTP/1.0 200 OK\r\n\r\n");
    EXPECT_EQ(response.body.view(), "abc");
    EXPECT_EQ(response.bodyLength, 3u);
}

TEST_F(ResponseTest, DocumentArrivesWholeWithItsCp949Bytes)
{
    ASSERT_TRUE(fetch());
    EXPECT_EQ(m_header.rfind("HTTP/1.0 200 OK\r\n", 0), 0u);
    EXPECT_EQ(m_header.substr(m_header.size() - 4), "\r\n\r\n");
    EXPECT_EQ(m_body, kServerList);
}

TEST_F(ResponseTest, LineEndsWithoutCarriageReturnsStillEndTheHeader)
{
    m_service.setRawAnswer("HTTP/1.0 200 OK\nX: y\n\nbody\r\n\r\nmore");
    ASSERT_TRUE(fetch());
    EXPECT_EQ(m_header, "HTTP/1.0 200 OK\nX: y\n\n");
    EXPECT_EQ(m_body, "body\r\n\r\nmore");
}

TEST_F(ResponseTest, StatusIsNotInterpreted)
{
    m_service.setMisbehaviour(Misbehaviour::NotFound);
    ASSERT_TRUE(fetch());
    EXPECT_EQ(m_header.rfind("HTTP/1.0 404 Not Found\r\n", 0), 0u);
    EXPECT_NE(m_body.find("Not Found"), std::string::npos);
}

TEST_F(ResponseTest, CloseInsideTheHeaderGivesAPartialHeaderAndNoBody)
{
    m_service.setMisbehaviour(Misbehaviour::CloseMidHeader);
    ASSERT_TRUE(fetch());
    EXPECT_EQ(m_header, "HTTP/1.0 200 OK\r\nContent-Ty");
    EXPECT_EQ(m_body, "");
}

TEST_F(ResponseTest, ServerHangingUpAtOnceGivesEmptyTexts)
{
    m_service.setMisbehaviour(Misbehaviour::HangUp);
    ASSERT_TRUE(fetch());
    EXPECT_EQ(m_header, "");
    EXPECT_EQ(m_body, "");
}

TEST_F(ResponseTest, TextsAreCutAtTheirFirstNul)
{
    m_service.setMisbehaviour(Misbehaviour::NulInBody);
    ASSERT_TRUE(fetch());
    EXPECT_EQ(m_body, kServerList.substr(0, kServerList.size() / 2));

    m_service.setMisbehaviour(Misbehaviour::None);
    m_service.setRawAnswer(std::string("HTTP/1.0 200 OK\r\nX: a\0b\r\n\r\nxyz", 30));
    Response raw;
    ASSERT_EQ(send(raw), 0);
    EXPECT_EQ(raw.header.size(), 27u) << "SendRequest keeps every byte";
    ASSERT_TRUE(fetch());
    EXPECT_EQ(m_header, "HTTP/1.0 200 OK\r\nX: a");
    EXPECT_EQ(m_body, "xyz");
}

TEST_F(ResponseTest, SlowButSteadyServerIsReadWhole)
{
    m_service.setRawAnswer("HTTP/1.0 200 OK\r\n\r\n<list/>");
    m_service.setMisbehaviour(Misbehaviour::SlowDrip);
    ASSERT_TRUE(fetch());
    EXPECT_EQ(m_header, "HTTP/1.0 200 OK\r\n\r\n");
    EXPECT_EQ(m_body, "<list/>");
}

// Each of these would freeze the window or eat memory without a bound; each must
// end as a transport failure, leaving the caller's header text alone.
struct HostileCase {
    const char* description;
    Misbehaviour misbehaviour;
};

void PrintTo(const HostileCase& c, std::ostream* os)
{
    *os << c.description;
}

class HostileServerTest : public ResponseTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileServerTest, FailsAsTransportFailure)
{
    m_service.setMisbehaviour(GetParam().misbehaviour);
    EXPECT_FALSE(fetch());
    EXPECT_EQ(m_body, "ERROR");
    EXPECT_EQ(m_header, "untouched");
}

INSTANTIATE_TEST_SUITE_P(Misbehaviours, HostileServerTest,
                         ::testing::Values(HostileCase{"silent_after_accept", Misbehaviour::Silent},
                                           HostileCase{"endless_header", Misbehaviour::EndlessHeader},
                                           HostileCase{"endless_body", Misbehaviour::EndlessBody}),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                             return std::string(info.param.description);
                         });

TEST_F(ResponseTest, DripPastTheTotalTimeIsAbandoned)
{
    TransportLimits limits = quickLimits();
    limits.totalTimeout = 200ms;
    QEL_Request impatient(limits);
    m_service.setMisbehaviour(Misbehaviour::SlowDrip);
    EXPECT_FALSE(impatient.Request(m_service.url("/serverlist.xml"), "", m_header, m_body));
    EXPECT_EQ(m_body, "ERROR");
}

TEST_F(ResponseTest, BodyCapIsInclusive)
{
    TransportLimits limits = quickLimits();
    limits.maxBodyBytes = 1000;
    QEL_Request capped(limits);
    m_service.setRawAnswer("HTTP/1.0 200 OK\r\n\r\n" + std::string(1000, 'b'));
    ASSERT_TRUE(capped.Request(m_service.url("/serverlist.xml"), "", m_header, m_body));
    EXPECT_EQ(m_body.size(), 1000u);

    m_service.setRawAnswer("HTTP/1.0 200 OK\r\n\r\n" + std::string(1001, 'b'));
    EXPECT_FALSE(capped.Request(m_service.url("/serverlist.xml"), "", m_header, m_body));
    EXPECT_EQ(m_body, "ERROR");
}

TEST_F(ResponseTest, HeaderCapIsInclusive)
{
    TransportLimits limits = quickLimits();
    limits.maxHeaderBytes = 100;
    QEL_Request capped(limits);
    const std::string status = "HTTP/1.0 200 OK\r\n";
    const std::string filler(100 - status.size() - 4, 'h');
    m_service.setRawAnswer(status + filler + "\r\n\r\nok");
    ASSERT_TRUE(capped.Request(m_service.url("/serverlist.xml"), "", m_header, m_body));
    EXPECT_EQ(m_header.size(), 100u);
    EXPECT_EQ(m_body, "ok");

    m_service.setRawAnswer(status + filler + "h\r\n\r\nok");
    EXPECT_FALSE(capped.Request(m_service.url("/serverlist.xml"), "", m_header, m_body));
}

TEST_F(ResponseTest, PeerClosingWhileWeSendDoesNotKillTheProcess)
{
    // Without MSG_NOSIGNAL the first send after the reset would raise SIGPIPE and end
    // the test binary here.
    m_service.setMisbehaviour(Misbehaviour::HangUp);
    const std::string bigBody(8 * 1024 * 1024, 'x');
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_request.Request(m_service.url("/serverlist.xml"), bigBody, m_header, m_body);
    }
    SUCCEED();
}

TEST(ConnectFailure, UnreachableOrUnresolvableHostsFail)
{
    QEL_Request request(quickLimits());
    for (const char* url : {"http://127.0.0.1:1/serverlist.xml", "http://no-such-host.invalid/serverlist.xml",
                            "http://127.0.0.1:70000/serverlist.xml", "http://127.0.0.1:0/"}) {
        std::string header = "untouched";
        std::string body;
        EXPECT_FALSE(request.Request(url, "", header, body)) << url;
        EXPECT_EQ(body, "ERROR") << url;
        EXPECT_EQ(header, "untouched") << url;
    }
}

TEST(GrowingBuffer, StartsAtTenAndDoublesKeepingRoomForTheTerminator)
{
    norvanta::net::GrowingBuffer buffer(1 << 20);
    EXPECT_EQ(buffer.capacity(), 10u);
    ASSERT_TRUE(buffer.append("123456789", 9));
    EXPECT_EQ(buffer.capacity(), 10u);
    ASSERT_TRUE(buffer.append("0", 1));
    EXPECT_EQ(buffer.capacity(), 20u);
    ASSERT_TRUE(buffer.append(std::string(70, 'x').data(), 70));
    EXPECT_EQ(buffer.capacity(), 160u);
    EXPECT_EQ(buffer.size(), 80u);
    EXPECT_EQ(buffer.text(), "1234567890" + std::string(70, 'x'));
}

} // namespace
