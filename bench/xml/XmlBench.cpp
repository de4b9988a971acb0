// Times loading a server list and reading every server name and address, with XmlDocument
// and with pugixml, on lists of 10 / 100 / 1,000 / 100,000 / 1,000,000 rows (a real list
// is tens of rows, where the fixed costs tell), and measures the peak memory each needs
// for it: heap bytes through a counting allocator, and resident memory of a forked child
// that runs the parser once.
//
// Usage: xml_bench [rows...]
#include "xml/XmlDocument.h"

#include <pugixml.hpp>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <vector>

namespace {

// ---- Counting allocator: every heap byte of the process passes through here. ----

std::size_t g_heapInUse = 0;
std::size_t g_heapPeak = 0;
constexpr std::size_t kHeader = 16;

void* countedAllocate(std::size_t size)
{
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr) {
        return nullptr;
    }
    std::memcpy(block, &size, sizeof size);
    g_heapInUse += size;
    g_heapPeak = std::max(g_heapPeak, g_heapInUse);
    return block + kHeader;
}

void countedFree(void* pointer)
{
    if (pointer == nullptr) {
        return;
    }
    unsigned char* block = static_cast<unsigned char*>(pointer) - kHeader;
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    g_heapInUse -= size;
    std::free(block);
}

} // namespace

void* operator new(std::size_t size)
{
    if (void* p = countedAllocate(size)) {
        return p;
    }
    throw std::bad_alloc{};
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    countedFree(p);
}
void operator delete[](void* p) noexcept
{
    countedFree(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    countedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    countedFree(p);
}

namespace {

using Clock = std::chrono::steady_clock;

// A list as the service sends it: CP949 names ("서울", "부산") with entity and character
// references, host-name addresses, CRLF line ends.
std::string makeServerList(int rows)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"euc-kr\"?>\r\n<NewDataSet>\r\n";
    char row[256];
    for (int i = 0; i < rows; ++i) {
        const int length =
            std::snprintf(row, sizeof row,
                          "  <datarow>\r\n"
                          "    <server_name>\xBC\xAD\xBF\xEF %d &amp; \xBA\xCE\xBB\xEA &#x20AC;</server_name>\r\n"
                          "    <server_addr>vpn%07d.norvanta.example</server_addr>\r\n"
                          "  </datarow>\r\n",
                          i, i);
        text.append(row, static_cast<std::size_t>(length));
    }
    text += "</NewDataSet>\r\n";
    return text;
}

struct WalkResult {
    std::size_t rows = 0;
    std::size_t bytes = 0; // bytes of all names and addresses read
};

WalkResult runXmlDocument(const std::string& text)
{
    WalkResult result;
    norvanta::xml::XmlDocument doc;
    if (!doc.LoadText(text) || !doc.FindChild("datarow")) {
        return result;
    }
    do {
        std::string name;
        std::string address;
        doc.EnterChild();
        if (!doc.ReadChildText("server_name", name) || !doc.ReadChildText("server_addr", address)) {
            break;
        }
        doc.LeaveElement();
        ++result.rows;
        result.bytes += name.size() + address.size();
    } while (doc.FindChild("datarow"));
    return result;
}

WalkResult runPugixml(const std::string& text)
{
    WalkResult result;
    pugi::xml_document doc;
    if (!doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8)) {
        return result;
    }
    for (pugi::xml_node row = doc.document_element().child("datarow"); row; row = row.next_sibling("datarow")) {
        const pugi::xml_node nameNode = row.child("server_name");
        const pugi::xml_node addressNode = nameNode.next_sibling("server_addr");
        if (!nameNode || !addressNode) {
            break;
        }
        const std::string name = nameNode.child_value();
        const std::string address = addressNode.child_value();
        ++result.rows;
        result.bytes += name.size() + address.size();
    }
    return result;
}

using Runner = std::function<WalkResult(const std::string&)>;

double bestSeconds(const Runner& run, const std::string& text, int repetitions, WalkResult& result)
{
    double best = 1e30;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = Clock::now();
        result = run(text);
        const std::chrono::duration<double> elapsed = Clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

std::size_t peakHeap(const Runner& run, const std::string& text)
{
    const std::size_t before = g_heapInUse;
    g_heapPeak = g_heapInUse;
    run(text);
    return g_heapPeak - before;
}

long procStatusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0) {
            return std::atol(line.c_str() + length);
        }
    }
    return -1;
}

// Peak resident memory the run adds, in KiB: measured in a forked child whose high-water
// mark is reset before the run, so the parent's history does not count.
long peakResidentKb(const Runner& run, const std::string& text)
{
    int channel[2];
    if (pipe(channel) != 0) {
        return -1;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = procStatusKb("VmRSS:");
        run(text);
        const long peak = procStatusKb("VmHWM:");
        const long added = peak - before;
        const ssize_t written = write(channel[1], &added, sizeof added);
        _exit(written == sizeof added ? 0 : 1);
    }
    close(channel[1]);
    long added = -1;
    if (read(channel[0], &added, sizeof added) != sizeof added) {
        added = -1;
    }
    close(channel[0]);
    waitpid(child, nullptr, 0);
    return added;
}

double mib(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

void report(int rows)
{
    const std::string text = makeServerList(rows);
    const std::size_t elements = 3 * static_cast<std::size_t>(rows) + 1;
    const int repetitions = static_cast<int>(std::clamp<std::size_t>(400'000'000 / text.size(), 3, 200));

    const Runner ours = runXmlDocument;
    const Runner theirs = runPugixml;
    WalkResult oursResult;
    WalkResult theirsResult;
    // Interleave the rounds so that neither side profits from a quieter moment.
    double oursSeconds = 1e30;
    double theirsSeconds = 1e30;
    for (int round = 0; round < 3; ++round) {
        oursSeconds = std::min(oursSeconds, bestSeconds(ours, text, repetitions, oursResult));
        theirsSeconds = std::min(theirsSeconds, bestSeconds(theirs, text, repetitions, theirsResult));
    }
    if (oursResult.rows != static_cast<std::size_t>(rows) || oursResult.rows != theirsResult.rows
        || oursResult.bytes != theirsResult.bytes) {
        std::printf("MISMATCH: XmlDocument %zu rows / %zu bytes, pugixml %zu rows / %zu bytes\n", oursResult.rows,
                    oursResult.bytes, theirsResult.rows, theirsResult.bytes);
    }
    const double megabytes = static_cast<double>(text.size()) / 1e6;
    const std::size_t oursHeap = peakHeap(ours, text);
    const std::size_t theirsHeap = peakHeap(theirs, text);
    const long oursRss = peakResidentKb(ours, text);
    const long theirsRss = peakResidentKb(theirs, text);
    const double target = static_cast<double>(text.size() + 32 * elements);

    std::printf("%9d rows  %8.2f MB  %8zu elements  (%d runs, best)\n", rows, megabytes, elements, repetitions * 3);
    std::printf("  load+walk   XmlDocument %8.1f MB/s %9.3f ms | pugixml %8.1f MB/s %9.3f ms | "
                "speed ratio %.2fx\n",
                megabytes / oursSeconds, oursSeconds * 1e3, megabytes / theirsSeconds, theirsSeconds * 1e3,
                theirsSeconds / oursSeconds);
    std::printf("  peak heap   XmlDocument %8.2f MiB (%.2fx target) | pugixml %8.2f MiB (%.2fx target) "
                "| target text+32 B/element %.2f MiB\n",
                mib(static_cast<double>(oursHeap)), static_cast<double>(oursHeap) / target,
                mib(static_cast<double>(theirsHeap)), static_cast<double>(theirsHeap) / target, mib(target));
    std::printf("  peak RSS+   XmlDocument %8.2f MiB                | pugixml %8.2f MiB\n",
                static_cast<double>(oursRss) / 1024.0, static_cast<double>(theirsRss) / 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    pugi::set_memory_management_functions(countedAllocate, countedFree);
    std::vector<int> rows;
    for (int i = 1; i < argc; ++i) {
        rows.push_back(std::atoi(argv[i]));
    }
    if (rows.empty()) {
        rows = {10, 100, 1'000, 100'000, 1'000'000};
    }
    for (const int count : rows) {
        report(count);
    }
    return 0;
}
