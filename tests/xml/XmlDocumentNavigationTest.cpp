#include "xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace norvanta::xml {
namespace {

using Servers = std::vector<std::pair<std::string, std::string>>;

// The server-list loader's walk: every datarow child of the root, server_name and then
// server_addr after it; a row missing either ends the list.
Servers readServerList(std::string body)
{
    Servers servers;
    XmlDocument doc;
    if (!doc.LoadText(std::move(body)) || !doc.FindChild("datarow")) {
        return servers;
    }
    do {
        std::string name;
        std::string address;
        doc.EnterChild();
        if (!doc.ReadChildText("server_name", name) || !doc.ReadChildText("server_addr", address)) {
            break;
        }
        servers.emplace_back(name, address);
        doc.LeaveElement();
    } while (doc.FindChild("datarow"));
    return servers;
}

TEST(ServerListWalkTest, ReadsRealisticListInDocumentOrder)
{
    // Names are CP949 ("서울", "부산", "대구") and carry references, as the service sends them.
    const std::string body = "<?xml version=\"1.0\" encoding=\"euc-kr\"?>\r\n"
                             "<!-- generated -->\r\n"
                             "<NewDataSet>\r\n"
                             "  <datarow>\r\n"
                             "    <server_id>1</server_id>\r\n"
                             "    <server_name>\xBC\xAD\xBF\xEF 1 &amp; 2</server_name>\r\n"
                             "    <server_load>12</server_load>\r\n"
                             "    <server_addr>vpn1.norvanta.example</server_addr>\r\n"
                             "    <server_note/>\r\n"
                             "  </datarow>\r\n"
                             "  <notice>maintenance</notice>\r\n"
                             "  <datarow><server_name>\xBA\xCE\xBB\xEA &#x20AC;</server_name>"
                             "<server_addr> 10.0.0.2 </server_addr></datarow>\r\n"
                             "  <datarow>\r\n"
                             "    <server_name><![CDATA[\xB4\xEB\xB1\xB8 <3>]]></server_name>\r\n"
                             "    <server_addr>vpn3.norvanta.example</server_addr>\r\n"
                             "  </datarow>\r\n"
                             "</NewDataSet>\r\n";
    EXPECT_EQ(readServerList(body), (Servers{{"\xBC\xAD\xBF\xEF 1 & 2", "vpn1.norvanta.example"},
                                             {"\xBA\xCE\xBB\xEA \xE2\x82\xAC", " 10.0.0.2 "},
                                             {"\xB4\xEB\xB1\xB8 <3>", "vpn3.norvanta.example"}}));
}

struct ListCase {
    const char* name;
    std::string body;
    Servers servers;
};

std::ostream& operator<<(std::ostream& out, const ListCase& c)
{
    return out << c.name;
}

class ServerListRuleTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(ServerListRuleTest, KeepsRowsUpToTheFirstUnusableOne)
{
    EXPECT_EQ(readServerList(GetParam().body), GetParam().servers);
}

const std::string kRowA = "<datarow><server_name>A</server_name><server_addr>a</server_addr></datarow>";
const std::string kRowB = "<datarow><server_name>B</server_name><server_addr>b</server_addr></datarow>";

const ListCase kListCases[] = {
    {"AddressBeforeNameEndsTheList",
     "<list>" + kRowA + "<datarow><server_addr>x</server_addr><server_name>X</server_name></datarow>" + kRowB
         + "</list>",
     {{"A", "a"}}},
    {"RowWithoutNameEndsTheList",
     "<list>" + kRowA + "<datarow><server_addr>x</server_addr></datarow>" + kRowB + "</list>",
     {{"A", "a"}}},
    {"RowWithoutAddressEndsTheList", "<list><datarow><server_name>X</server_name></datarow></list>", {}},
    {"SimilarNamesAreNotRows", "<list><datarows/><data/><datarow_/>" + kRowB + "</list>", {{"B", "b"}}},
    {"RowAttributesDoNotMatter",
     "<list><datarow id='1' x=\"y\">"
     "<server_name lang='ko'>A</server_name><server_addr\t>a</server_addr ></datarow></list>",
     {{"A", "a"}}},
    {"DeeperRowsAreNotFound", "<list><group>" + kRowA + "</group></list>", {}},
    {"RootNamedDatarowIsNotAServer", "<datarow><server_name>A</server_name><server_addr>a</server_addr></datarow>", {}},
    {"SecondRootMakesTheListUnusable", "<list>" + kRowA + "</list><list/>", {}},
    {"HtmlErrorPage", "<html><body><h1>404 Not Found</h1><hr></body></html>", {}},
    {"EmptyBody", "", {}},
};

INSTANTIATE_TEST_SUITE_P(Lists, ServerListRuleTest, ::testing::ValuesIn(kListCases),
                         [](const auto& info) { return std::string{info.param.name}; });

TEST(FindChildTest, FirstCallSelectsTheRoot)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText("<r><a/><b/><a/></r>"));
    EXPECT_EQ(doc.CurrentIndex(), 0);
    ASSERT_TRUE(doc.FindChild("a"));
    EXPECT_EQ(doc.CurrentIndex(), 1);
    EXPECT_EQ(doc.ParentIndex(), 0);
    EXPECT_EQ(doc.ChildIndex(), 2);
    ASSERT_TRUE(doc.FindChild("a"));
    EXPECT_EQ(doc.ChildIndex(), 4);
    EXPECT_FALSE(doc.FindChild("a"));
    EXPECT_EQ(doc.ChildIndex(), 4) << "a failed search leaves the positions alone";
}

TEST(FindChildTest, RequestedNameMayCarrySuffix)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText("<r><datarows/><datarow/></r>"));
    for (const char* requested : {"datarow[2]", "datarow id", "datarow=1", "datarow/x", "datarow]"}) {
        SCOPED_TRACE(requested);
        ASSERT_TRUE(doc.LoadText(doc.Text()));
        ASSERT_TRUE(doc.FindChild(requested));
        EXPECT_EQ(doc.ChildIndex(), 3);
    }
    ASSERT_TRUE(doc.LoadText(doc.Text()));
    EXPECT_FALSE(doc.FindChild("datarowx"));
}

TEST(FindChildTest, EmptyOrNullNameFindsAnyElement)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText("<r><a/><b/></r>"));
    ASSERT_TRUE(doc.FindChild(static_cast<const char*>(nullptr)));
    EXPECT_EQ(doc.ChildIndex(), 2);
    ASSERT_TRUE(doc.FindChild(""));
    EXPECT_EQ(doc.ChildIndex(), 3);
    EXPECT_FALSE(doc.FindChild(""));
}

TEST(NavigationTest, EnterAndLeaveMoveThePositions)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText("<r><a><b>1</b></a><c>2</c></r>"));
    doc.EnterChild();
    doc.LeaveElement();
    EXPECT_EQ(doc.CurrentIndex(), 0) << "without a current element both are no-ops";
    ASSERT_TRUE(doc.FindChild("a"));
    doc.EnterChild();
    EXPECT_EQ(doc.ParentIndex(), 1);
    EXPECT_EQ(doc.CurrentIndex(), 2);
    EXPECT_EQ(doc.ChildIndex(), 0);
    std::string text;
    EXPECT_EQ(doc.ReadChildText("b", text), 1);
    EXPECT_EQ(text, "1");
    doc.LeaveElement();
    EXPECT_EQ(doc.ParentIndex(), 0);
    EXPECT_EQ(doc.CurrentIndex(), 1);
    EXPECT_EQ(doc.ChildIndex(), 2);
    EXPECT_EQ(doc.ReadChildText("c", text), 1);
    EXPECT_EQ(text, "2");
    doc.LeaveElement();
    EXPECT_EQ(doc.CurrentIndex(), 1) << "at the top, leaving is a no-op";
}

TEST(NavigationTest, MissingChildLeavesCallersTextAlone)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText("<r><a>1</a></r>"));
    std::string text = "kept";
    EXPECT_EQ(doc.ReadChildText("b", text), 0);
    EXPECT_EQ(text, "kept");
}

// The first segment holds 65,536 records; a larger document must keep every element
// reachable, in order, with its own text, across the segment boundary.
TEST(LargeDocumentTest, ElementsBeyondTheFirstSegmentStayReachable)
{
    constexpr int rows = 40000; // 1 root + 3 per row: 120,001 elements
    std::string body = "<list>\n";
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i);
        body += "<datarow><server_name>n" + n + "</server_name><server_addr>a" + n + "</server_addr></datarow>\n";
    }
    body += "</list>\n";
    const Servers servers = readServerList(body);
    ASSERT_EQ(servers.size(), static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        ASSERT_EQ(servers[static_cast<std::size_t>(i)].first, "n" + std::to_string(i));
        ASSERT_EQ(servers[static_cast<std::size_t>(i)].second, "a" + std::to_string(i));
    }

    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText(body));
    EXPECT_EQ(doc.ElementsInUse(), 3 * rows + 2);
    EXPECT_GT(doc.ElementsReserved(), XmlDocument::SegmentSize);
    ASSERT_TRUE(doc.FindChild("datarow"));
    int count = 1;
    while (doc.FindChild("datarow")) {
        ++count;
    }
    EXPECT_EQ(count, rows);
    EXPECT_GT(doc.ChildIndex(), XmlDocument::SegmentSize);
    EXPECT_EQ(doc.Element(doc.ChildIndex()).parent, 1);
    EXPECT_EQ(doc.Element(doc.Element(1).firstChild).previous, doc.ChildIndex());
}

TEST(LargeDocumentTest, FlatListOfManyElements)
{
    constexpr int items = 70000;
    std::string body = "<r>";
    for (int i = 0; i < items; ++i) {
        body += "<i>" + std::to_string(i) + "</i>";
    }
    body += "</r>";
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText(body));
    for (int i = 0; i < items; ++i) {
        std::string text;
        ASSERT_EQ(doc.ReadChildText("i", text), 1);
        ASSERT_EQ(text, std::to_string(i));
        ASSERT_EQ(doc.ChildIndex(), i + 2);
    }
    std::string past;
    EXPECT_EQ(doc.ReadChildText("i", past), 0);
}

} // namespace
} // namespace norvanta::xml
