// Loads arbitrary bytes as a document and walks everything reachable: the tree through the
// navigation operations (reading every element's text), the server-list walk, and the raw
// records, whose ranges and links must stay inside the text and the table.
#include "xml/XmlDocument.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using norvanta::xml::ElementRecord;
using norvanta::xml::XmlDocument;

void require(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

void walkTree(XmlDocument& doc)
{
    // Each element is entered and left once; more steps than that means a cycle.
    const std::size_t limit = 2 * static_cast<std::size_t>(doc.ElementsInUse()) + 4;
    std::size_t steps = 0;
    int depth = 0;
    for (;;) {
        if (doc.FindChild("")) {
            const std::string text = doc.ChildText();
            require(text.size() <= 4 * doc.Text().size());
            doc.EnterChild();
            ++depth;
        } else if (depth > 0) {
            doc.LeaveElement();
            --depth;
        } else {
            break;
        }
        require(++steps <= limit);
    }
}

void walkServerList(XmlDocument& doc)
{
    if (!doc.FindChild("datarow")) {
        return;
    }
    do {
        std::string name;
        std::string address;
        doc.EnterChild();
        if (!doc.ReadChildText("server_name", name) || !doc.ReadChildText("server_addr", address)) {
            return;
        }
        doc.LeaveElement();
    } while (doc.FindChild("datarow"));
}

void checkRecords(const XmlDocument& doc)
{
    const auto size = static_cast<std::int64_t>(doc.Text().size());
    const std::int32_t inUse = doc.ElementsInUse();
    for (std::int32_t i = 1; i < inUse; ++i) {
        const ElementRecord& e = doc.Element(i);
        require(e.start >= 0 && e.length >= e.startTagLength());
        require(std::int64_t{e.start} + e.length <= size);
        require(e.parent >= 0 && e.parent < i);
        require(e.next >= 0 && e.next < inUse && e.firstChild >= 0 && e.firstChild < inUse);
        require(!doc.ElementName(i).empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input{reinterpret_cast<const char*>(data), size};
    XmlDocument doc;
    const bool wellFormed = doc.LoadText(input);
    require(wellFormed == doc.ErrorText().empty());
    checkRecords(doc);
    walkTree(doc);
    doc.LoadText(doc.Text());
    walkServerList(doc);
    (void)XmlDocument::DecodeText(input);
    return 0;
}
