// What the client puts on the wire, byte for byte, and how it reads URLs.

#include "net/QEL_Request.h"
#include "platform/Socket.h"
#include "tools/devservice/DevService.h"

#include <gtest/gtest.h>

namespace {

using norvanta::tools::DevService;
using norvanta::tools::DevServiceConfig;
using QEL::QEL_Network::ParsedUrl;
using QEL::QEL_Network::QEL_Request;

const std::string kFixedHeaders =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/vnd.ms-excel, "
    "application/msword, application/vnd.ms-powerpoint, */*\r\n"
    "Accept-Language: en-us\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0\r\n";

class WireTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_service.start()) << m_service.error(); }

    DevService m_service{DevServiceConfig{"<list/>", "1.0.3"}};
    QEL_Request m_request;
    std::string m_header = "untouched";
    std::string m_body;
};

TEST_F(WireTest, VersionQueryIsSentExactly)
{
    ASSERT_TRUE(m_request.Request(m_service.url("/update/Update_Ver.txt"), "cs/update/ver.php", m_header, m_body));
    EXPECT_EQ(m_service.lastRequest(), "POST /update/Update_Ver.txt HTTP/1.0\r\n" + kFixedHeaders
                                           + "Content-Length: 17\r\n"
                                             "Host: 127.0.0.1\r\n"
                                             "Content-Type: application/x-www-form-urlencoded\r\n"
                                             "\r\n"
                                             "cs/update/ver.php");
    EXPECT_EQ(m_body, "1.0.3");
}

TEST_F(WireTest, EmptyBodySendsNoContentLengthButKeepsContentType)
{
    ASSERT_TRUE(m_request.Request(m_service.url("/serverlist.xml"), "", m_header, m_body));
    EXPECT_EQ(m_service.lastRequest(), "POST /serverlist.xml HTTP/1.0\r\n" + kFixedHeaders
                                           + "Host: 127.0.0.1\r\n"
                                             "Content-Type: application/x-www-form-urlencoded\r\n"
                                             "\r\n");
    EXPECT_EQ(m_body, "<list/>");
}

TEST_F(WireTest, MissingPathIsSentAsRootAndHostIsUpperCased)
{
    const std::string url = "http://localhost:" + std::to_string(m_service.port());
    ASSERT_TRUE(m_request.Request(url, "", m_header, m_body));
    const std::string sent = m_service.lastRequest();
    EXPECT_EQ(sent.substr(0, sent.find("\r\n")), "POST / HTTP/1.0");
    EXPECT_NE(sent.find("\r\nHost: LOCALHOST\r\n"), std::string::npos) << sent;
}

TEST_F(WireTest, PathKeepsItsLetterCaseAndQuery)
{
    const std::string url = "HTTP://LocalHost:" + std::to_string(m_service.port()) + "/Update/Ver.TXT?A=b";
    ASSERT_TRUE(m_request.Request(url, "", m_header, m_body));
    const std::string sent = m_service.lastRequest();
    EXPECT_EQ(sent.substr(0, sent.find("\r\n")), "POST /Update/Ver.TXT?A=b HTTP/1.0");
}

TEST_F(WireTest, RefusedRequestsNeverConnect)
{
    const std::string port = std::to_string(m_service.port());
    for (const std::string& url :
         {"ftp://127.0.0.1:" + port + "/serverlist.xml", "https://127.0.0.1:" + port + "/serverlist.xml",
          "http:/127.0.0.1:" + port + "/serverlist.xml"}) {
        m_body.clear();
        EXPECT_FALSE(m_request.Request(url, "", m_header, m_body)) << url;
        EXPECT_EQ(m_body, "ERROR") << url;
        EXPECT_EQ(m_header, "untouched") << url;
    }
    norvanta::platform::setSocketLayerFailureForTesting(true);
    EXPECT_FALSE(m_request.Request(m_service.url("/serverlist.xml"), "", m_header, m_body));
    norvanta::platform::setSocketLayerFailureForTesting(false);
    EXPECT_EQ(m_service.connectionCount(), 0);
}

struct UrlCase {
    const char* description;
    const char* url;
    ParsedUrl expected;
};

void PrintTo(const UrlCase& c, std::ostream* os)
{
    *os << c.url;
}

class ParseUrlTest : public ::testing::TestWithParam<UrlCase> {};

TEST_P(ParseUrlTest, SplitsTheUrl)
{
    const UrlCase& c = GetParam();
    const ParsedUrl parsed = QEL_Request::ParseUrl(c.url);
    EXPECT_EQ(parsed.scheme, c.expected.scheme);
    EXPECT_EQ(parsed.host, c.expected.host);
    EXPECT_EQ(parsed.path, c.expected.path);
    EXPECT_EQ(parsed.port, c.expected.port);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, ParseUrlTest,
    ::testing::Values(
        UrlCase{"plain", "http://vpn.example.com/serverlist.xml", {"HTTP", "VPN.EXAMPLE.COM", "/serverlist.xml", 80}},
        UrlCase{"no_path", "http://vpn.example.com", {"HTTP", "VPN.EXAMPLE.COM", "", 80}},
        UrlCase{"port", "http://127.0.0.1:8080/a", {"HTTP", "127.0.0.1", "/a", 8080}},
        UrlCase{"port_not_a_number", "http://host:abc/a", {"HTTP", "HOST", "/a", 0}},
        UrlCase{"no_colon_means_http",
                "vpn.example.com/Update/Ver.txt",
                {"HTTP", "VPN.EXAMPLE.COM", "/Update/Ver.txt", 80}},
        UrlCase{"other_scheme", "ftp://files.example.com/x", {"FTP", "FILES.EXAMPLE.COM", "/x", 80}},
        UrlCase{"single_slash", "http:/host/x", {"HTTP", "", "/host/x", 80}},
        UrlCase{"case_kept_in_path",
                "Http://Mixed.Example/Update/Update_Ver.txt",
                {"HTTP", "MIXED.EXAMPLE", "/Update/Update_Ver.txt", 80}},
        UrlCase{"host_stops_at_other_characters", "http://host_name/x", {"HTTP", "HOST", "_name/x", 80}},
        UrlCase{"long_scheme_is_cut", "abcdefghijklmnopqrstuvwxyz://h/", {"ABCDEFGHIJKLMNOPQRS", "H", "/", 80}},
        UrlCase{"huge_port_saturates", "http://h:99999999999/", {"HTTP", "H", "/", 2147483647}}),
    [](const ::testing::TestParamInfo<UrlCase>& info) { return std::string(info.param.description); });

TEST(ParseUrlLimits, FieldsAreCutAtTheirCapacity)
{
    const std::string host(300, 'a');
    const std::string path = "/" + std::string(9000, 'P');
    const ParsedUrl parsed = QEL_Request::ParseUrl("http://" + host + path);
    EXPECT_EQ(parsed.host, std::string(255, 'A'));
    EXPECT_EQ(parsed.path.size(), 8191u);
    EXPECT_EQ(parsed.path.front(), '/');
}

} // namespace
