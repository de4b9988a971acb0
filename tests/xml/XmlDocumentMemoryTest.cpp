// Every allocation a document makes can fail; each failure must end in the documented
// result ("Out of memory", nothing escaping, the document still safe to walk and to load
// again), never in a crash or a half-built tree that navigation could run off.
#include "xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace {

// While armed, the allocation numbered `failFrom` (0: the next one) and every later one
// fail, as when memory has run out.
std::atomic<bool> g_armed{false};
std::atomic<long> g_allocationsLeft{0};
std::atomic<bool> g_failed{false};

void* allocate(std::size_t size)
{
    if (g_armed.load() && g_allocationsLeft.fetch_sub(1) <= 0) {
        g_failed.store(true);
        throw std::bad_alloc();
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

class MemoryRunsOut {
public:
    explicit MemoryRunsOut(long failFrom)
    {
        g_failed.store(false);
        g_allocationsLeft.store(failFrom);
        g_armed.store(true);
    }
    ~MemoryRunsOut() { g_armed.store(false); }
    MemoryRunsOut(const MemoryRunsOut&) = delete;
    MemoryRunsOut& operator=(const MemoryRunsOut&) = delete;

    // True when an allocation was refused since arming.
    static bool refusedAny() { return g_failed.load(); }
};

} // namespace

void* operator new(std::size_t size)
{
    return allocate(size);
}

void* operator new[](std::size_t size)
{
    return allocate(size);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete[](void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}

namespace norvanta::xml {
namespace {

// Long enough that every name and text is a heap string, with an entity to decode and
// enough rows that the element table grows past its first reservation.
std::string serverList()
{
    std::string text = "<?xml version=\"1.0\" encoding=\"euc-kr\"?>\n<list>";
    for (int i = 0; i < 40; ++i) {
        text += "<datarow><server_name>K1-" + std::to_string(i)
                + " Seoul &amp; Busan (dynamic/static IP)</server_name>"
                  "<server_addr>10.0.0."
                + std::to_string(i) + "</server_addr></datarow>";
    }
    return text + "</list>";
}

// Reads the rows as the client does; the count of rows whose name and address were found.
int readRows(XmlDocument& doc)
{
    int rows = 0;
    if (!doc.FindChild("datarow")) {
        return rows;
    }
    do {
        std::string name;
        std::string address;
        doc.EnterChild();
        if (!doc.ReadChildText("server_name", name) || !doc.ReadChildText("server_addr", address)) {
            break;
        }
        doc.LeaveElement();
        ++rows;
    } while (doc.FindChild("datarow"));
    return rows;
}

TEST(XmlDocumentOutOfMemory, EachFailedAllocationOfALoadIsReportedAndRecoveredFrom)
{
    const std::string text = serverList();
    int failuresSeen = 0;
    for (long failFrom = 0;; ++failFrom) {
        XmlDocument doc;
        bool loaded = false;
        bool refused = false;
        {
            const MemoryRunsOut exhausted(failFrom);
            loaded = doc.LoadText(std::string_view{text});
            refused = MemoryRunsOut::refusedAny();
        }
        if (!refused) {
            EXPECT_TRUE(loaded);
            break;
        }
        ++failuresSeen;
        SCOPED_TRACE("allocation " + std::to_string(failFrom) + " refused");
        EXPECT_FALSE(loaded);
        EXPECT_FALSE(doc.IsWellFormed());
        EXPECT_EQ(doc.ErrorText().rfind("Out of memory", 0), 0u) << doc.ErrorText();
        EXPECT_LE(doc.ElementsInUse(), doc.ElementsReserved());
        EXPECT_LT(readRows(doc), 40);
        ASSERT_TRUE(doc.LoadText(std::string_view{text})) << doc.ErrorText();
        EXPECT_EQ(readRows(doc), 40);
    }
    EXPECT_GE(failuresSeen, 3) << "the load made fewer allocations than the test expects";
}

TEST(XmlDocumentOutOfMemory, ReadingAChildsTextWithoutMemoryKeepsTheCallersText)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText(serverList()));
    ASSERT_TRUE(doc.FindChild("datarow"));
    doc.EnterChild();
    std::string name = "kept";
    std::string childText = "kept";
    {
        const MemoryRunsOut exhausted(0);
        EXPECT_EQ(doc.ReadChildText("server_name", name), 1);
        childText = doc.ChildText();
    }
    EXPECT_EQ(name, "kept");
    EXPECT_EQ(childText, "");
    EXPECT_EQ(doc.ReadChildText("server_addr", name), 1);
    EXPECT_EQ(name, "10.0.0.0");
}

TEST(XmlDocumentOutOfMemory, ANewDocumentWithoutMemoryIsEmptyAndSafe)
{
    const MemoryRunsOut exhausted(0);
    XmlDocument doc;
    EXPECT_EQ(doc.ErrorText(), "Out of memory");
    EXPECT_EQ(doc.ElementsInUse(), 0);
    EXPECT_FALSE(doc.FindChild(""));
    doc.EnterChild();
    doc.LeaveElement();
    EXPECT_EQ(doc.ChildText(), "");
}

} // namespace
} // namespace norvanta::xml
