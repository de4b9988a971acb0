#include "util/QEL_SyncArray.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using QEL::QEL_Util::QEL_SyncArray;

QEL_SyncArray<_SERVER_LIST>& threeServers(QEL_SyncArray<_SERVER_LIST>& servers)
{
    servers.Append({"Seoul 1", "vpn1.example"});
    servers.Append({"\xbc\xad\xbf\xef 2", "10.0.0.2"}); // "서울 2" in CP949
    servers.Append({"Busan", "vpn3.example"});
    return servers;
}

TEST(QEL_SyncArrayTest, NewArrayIsEmptyAndClearsAtOnce)
{
    QEL_SyncArray<_SERVER_LIST> servers;
    EXPECT_EQ(servers.Count(), 0u);
    EXPECT_TRUE(servers.Clear());
}

TEST(QEL_SyncArrayTest, KeepsInsertionOrderAndEightBitNames)
{
    QEL_SyncArray<_SERVER_LIST> servers;
    threeServers(servers);
    ASSERT_EQ(servers.Count(), 3u);
    EXPECT_EQ(servers.ItemAt(0).name, "Seoul 1");
    EXPECT_EQ(servers.ItemAt(1), (_SERVER_LIST{"\xbc\xad\xbf\xef 2", "10.0.0.2"}));
    EXPECT_EQ(servers.ItemAt(2).address, "vpn3.example");
}

class QEL_SyncArrayOutOfRangeTest : public testing::TestWithParam<std::size_t> {};

// The drop-down list's "no selection" (-1) and any index past the end give the first server.
TEST_P(QEL_SyncArrayOutOfRangeTest, GivesTheFirstRecord)
{
    QEL_SyncArray<_SERVER_LIST> servers;
    threeServers(servers);
    EXPECT_EQ(servers.ItemAt(GetParam()).name, "Seoul 1");
}

INSTANTIATE_TEST_SUITE_P(Indices, QEL_SyncArrayOutOfRangeTest,
                         testing::Values(std::size_t{3}, std::size_t{4}, static_cast<std::size_t>(-1),
                                         static_cast<std::size_t>(0xFFFFFFFFu)));

TEST(QEL_SyncArrayTest, ItemAtOnEmptyArrayGivesAnEmptyRecord)
{
    QEL_SyncArray<_SERVER_LIST> servers;
    EXPECT_EQ(servers.ItemAt(0), _SERVER_LIST{});
    EXPECT_EQ(servers.ItemAt(static_cast<std::size_t>(-1)), _SERVER_LIST{});
}

TEST(QEL_SyncArrayTest, ClearEmptiesAndTheArrayIsReusable)
{
    QEL_SyncArray<_SERVER_LIST> servers;
    threeServers(servers);
    EXPECT_TRUE(servers.Clear());
    EXPECT_EQ(servers.Count(), 0u);
    EXPECT_TRUE(servers.Append({"Daegu", "vpn4.example"}));
    EXPECT_EQ(servers.ItemAt(5).name, "Daegu");
}

// A record whose copy throws on demand stands in for an allocation failure.
struct Fragile {
    static inline bool failCopies = false;
    int id = 0;
    Fragile() = default;
    explicit Fragile(int value) : id(value) {}
    Fragile(const Fragile& other) : id(other.id)
    {
        if (failCopies) {
            throw std::runtime_error("copy failed");
        }
    }
    Fragile& operator=(const Fragile&) = default;
};

TEST(QEL_SyncArrayTest, AppendTurnsAThrowingCopyIntoFalseAndKeepsTheArray)
{
    QEL_SyncArray<Fragile> items;
    ASSERT_TRUE(items.Append(Fragile(1)));
    ASSERT_TRUE(items.Append(Fragile(2)));
    Fragile::failCopies = true;
    EXPECT_FALSE(items.Append(Fragile(3)));
    Fragile::failCopies = false;
    ASSERT_EQ(items.Count(), 2u);
    EXPECT_EQ(items.ItemAt(1).id, 2);
}

} // namespace
