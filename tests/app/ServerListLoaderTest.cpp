#include "app/ServerListLoader.h"
#include "tools/devservice/DevService.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace std::chrono_literals;
using norvanta::tools::DevService;
using norvanta::tools::DevServiceConfig;
using norvanta::tools::Misbehaviour;

std::string row(const std::string& inner)
{
    return "<datarow>" + inner + "</datarow>";
}

std::string server(const std::string& name, const std::string& address)
{
    return row("<server_name>" + name + "</server_name><server_addr>" + address + "</server_addr>");
}

class ServerListLoaderTest : public ::testing::Test {
protected:
    void serve(const std::string& document)
    {
        m_service = std::make_unique<DevService>(DevServiceConfig{document, "1.0"});
        ASSERT_TRUE(m_service->start());
    }

    bool load(const std::string& url)
    {
        return norvanta::app::LoadServerList(url, m_servers, m_names,
                                             [this](std::chrono::milliseconds pause) { m_pauses.push_back(pause); });
    }

    bool load() { return load(m_service->url("/serverlist.xml")); }

    std::vector<std::string> addresses() const
    {
        std::vector<std::string> result;
        for (std::size_t i = 0; i < m_servers.Count(); ++i) {
            result.push_back(m_servers.ItemAt(static_cast<int>(i)).address);
        }
        return result;
    }

    std::unique_ptr<DevService> m_service;
    QEL::QEL_Util::QEL_SyncArray<_SERVER_LIST> m_servers;
    std::vector<std::string> m_names;
    std::vector<std::chrono::milliseconds> m_pauses;
};

TEST_F(ServerListLoaderTest, RowsArriveInDocumentOrderWithNamesAsSent)
{
    serve("<?xml version=\"1.0\" encoding=\"euc-kr\"?><NewDataSet>" + server("K1-1 \xBC\xAD\xBF\xEF", "10.0.0.1")
          + server("K2-1", "vpn2.example.com") + server("C1-1", "10.0.0.3") + "</NewDataSet>");
    ASSERT_TRUE(load());
    EXPECT_EQ(m_names, (std::vector<std::string>{"K1-1 \xBC\xAD\xBF\xEF", "K2-1", "C1-1"}));
    EXPECT_EQ(addresses(), (std::vector<std::string>{"10.0.0.1", "vpn2.example.com", "10.0.0.3"}));
    EXPECT_TRUE(m_pauses.empty());
}

TEST_F(ServerListLoaderTest, EntitiesAreDecodedAndExtraChildrenSkipped)
{
    serve("<list>"
          + row("<id>7</id><server_name>A &amp; B &#49;&#x32;</server_name><note/>"
                "<server_addr>&lt;host&gt;</server_addr><tail>x</tail>")
          + "<other/>" + server("C", "c") + "</list>");
    ASSERT_TRUE(load());
    EXPECT_EQ(m_names, (std::vector<std::string>{"A & B 12", "C"}));
    EXPECT_EQ(addresses(), (std::vector<std::string>{"<host>", "c"}));
}

TEST_F(ServerListLoaderTest, AddressBeforeNameEndsTheList)
{
    serve("<list>" + server("first", "1") + row("<server_addr>2</server_addr><server_name>second</server_name>")
          + server("third", "3") + "</list>");
    ASSERT_TRUE(load());
    EXPECT_EQ(m_names, (std::vector<std::string>{"first"}));
}

TEST_F(ServerListLoaderTest, RowWithoutANameEndsTheList)
{
    serve("<list>" + server("first", "1") + row("<server_addr>2</server_addr>") + server("third", "3") + "</list>");
    ASSERT_TRUE(load());
    EXPECT_EQ(m_names, (std::vector<std::string>{"first"}));
}

TEST_F(ServerListLoaderTest, OnlyChildrenOfTheRootAreServers)
{
    serve("<datarow><group>" + server("nested", "n")
          + "</group><server_name>r</server_name>"
            "<server_addr>r</server_addr></datarow>");
    ASSERT_TRUE(load());
    EXPECT_TRUE(m_names.empty());
}

TEST_F(ServerListLoaderTest, ErrorPageIsNeitherRetriedNorReported)
{
    serve("<list>" + server("a", "1") + "</list>");
    m_service->setMisbehaviour(Misbehaviour::NotFound);
    EXPECT_TRUE(load());
    EXPECT_TRUE(m_names.empty());
    EXPECT_EQ(m_service->connectionCount(), 1);
    EXPECT_TRUE(m_pauses.empty());
}

TEST_F(ServerListLoaderTest, UnreachableServerIsTriedThreeTimes)
{
    EXPECT_FALSE(load("http://127.0.0.1:1/serverlist.xml"));
    EXPECT_EQ(m_pauses, (std::vector<std::chrono::milliseconds>{100ms, 100ms}));
    EXPECT_TRUE(m_names.empty());
}

// A server that fails the transport twice (a header past its bound) and then answers is
// used without any complaint. The port stays the same throughout: one given back by the
// system may be taken by another test before it can be bound again.
TEST_F(ServerListLoaderTest, TransportFailuresThenSuccessLoadsTheList)
{
    serve("<list>" + server("late", "9") + "</list>");
    m_service->setMisbehaviour(Misbehaviour::EndlessHeader);
    // A small bound, as the header is read a byte at a time: slow under Wine.
    QEL::QEL_Network::TransportLimits limits;
    limits.maxHeaderBytes = 1024;
    const bool reached = norvanta::app::LoadServerList(
        m_service->url("/serverlist.xml"), m_servers, m_names,
        [&](std::chrono::milliseconds pause) {
            m_pauses.push_back(pause);
            if (m_pauses.size() == 2) {
                m_service->setMisbehaviour(Misbehaviour::None);
            }
        },
        limits);
    EXPECT_TRUE(reached);
    EXPECT_EQ(m_names, (std::vector<std::string>{"late"}));
    EXPECT_EQ(m_pauses.size(), 2u);
    EXPECT_EQ(m_service->connectionCount(), 3);
}

} // namespace
