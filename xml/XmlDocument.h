#pragma once

#include "xml/ElementRecord.h"
#include "xml/ScanCursor.h"
#include "xml/Token.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace norvanta::xml {

// One XML document held as a single 8-bit text plus an index of its elements. Loading
// never copies element content: names and character data stay in the text and are read
// (entities decoded) only when asked for. A malformed text is still indexed as far as it
// goes; LoadText then returns false and ErrorText() keeps the first problem found.
//
// Navigation moves three positions through the tree: the parent, the current element and
// the current child. A server list is read like this:
//
//     XmlDocument doc;
//     if (doc.LoadText(body) && doc.FindChild("datarow")) {
//         do {
//             std::string name, address;
//             doc.EnterChild();
//             if (!doc.ReadChildText("server_name", name) ||
//                 !doc.ReadChildText("server_addr", address)) break;  // addr after name only
//             doc.LeaveElement();
//             use(name, address);
//         } while (doc.FindChild("datarow"));
//     }
//
// Not thread-safe; a document belongs to one thread.
class XmlDocument {
public:
    // Records per segment of the element table; growth copies at most one segment.
    static constexpr std::int32_t SegmentSize = 0x10000;
    // Longest text that can be indexed (offsets are 32-bit); longer texts are refused.
    static constexpr std::size_t MaxTextLength = 0x7FFFFFFE;
    // Deepest nesting that is indexed; a start tag nested deeper ends the parse.
    static constexpr int MaxDepth = 256;

    // An empty document: ErrorText() is "Empty document", FindChild finds nothing.
    XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;
    XmlDocument(XmlDocument&&) noexcept = default;
    XmlDocument& operator=(XmlDocument&&) noexcept = default;
    ~XmlDocument() = default;

    // Replaces the text (null = empty; the text ends at its first NUL byte), empties the
    // error text and parses. True exactly when the text is well-formed with one root.
    bool LoadText(const char* text);
    // As above, copying the bytes of the view up to its first NUL.
    bool LoadText(std::string_view text);
    // As above, taking over the string (an HTTP body, say) without copying it.
    bool LoadText(std::string&& text);

    // Moves the child position to the next child of the current element named `name`
    // (null or empty: any name); with no current element it first selects the root. A
    // requested name may carry a suffix after one of " =/[]", which is ignored. False,
    // positions unchanged (bar that selection), when there is none after the current child.
    bool FindChild(const char* name);
    bool FindChild(std::string_view name);
    // Descends: parent := current, current := child, child := none. No-op without a
    // current element.
    void EnterChild();
    // Ascends: child := current, current := parent, parent := its parent. No-op at the top.
    void LeaveElement();
    // Decoded character data of the current child; empty when there is no child, the
    // child has child elements or is an empty-element tag.
    std::string ChildText() const;
    // FindChild(name); if found, `text` receives ChildText() up to its first NUL and the
    // result is 1. Otherwise 0 and `text` is left as it was.
    int ReadChildText(const char* name, std::string& text);
    int ReadChildText(std::string_view name, std::string& text);

    // The document text, ending before the first NUL of what was loaded.
    const std::string& Text() const { return m_text; }
    // The first parse problem, empty when none; never shown to users.
    const std::string& ErrorText() const { return m_errorText; }
    // What the last LoadText returned.
    bool IsWellFormed() const;
    std::int32_t ParentIndex() const { return m_parentIndex; }
    std::int32_t CurrentIndex() const { return m_currentIndex; }
    std::int32_t ChildIndex() const { return m_childIndex; }
    // Records in use, record 0 (the document) included.
    std::int32_t ElementsInUse() const { return m_elementsInUse; }
    // Records allocated; never shrinks between loads.
    std::int32_t ElementsReserved() const { return m_elementsReserved; }
    // Record `index`; an all-zero record for an index outside [0, ElementsInUse()).
    const ElementRecord& Element(std::int32_t index) const;
    // The element's name as the finding functions see it; empty for record 0 or an
    // index out of range. Points into Text().
    std::string_view ElementName(std::int32_t index) const;

    // Decodes "&lt;" "&amp;" "&gt;" "&apos;" "&quot;" and "&#N;" / "&#xH;" (written as UTF-8;
    // U+FFFD for negative, surrogate or above-0x10FFFF values). "&#0;", unknown entities and
    // references without a ';' within 7 characters are copied unchanged.
    static std::string DecodeText(std::string_view text);

private:
    struct OpenElement;
    enum class Admission { Take, Skip, Stop };

    bool parse();
    bool refuse(const char* reason);
    std::int32_t BuildTree(ScanCursor& cursor);
    bool openElement(const Token& token, std::vector<OpenElement>& open);
    Admission admitElement(const Token& token, const std::vector<OpenElement>& open);
    void closeElement(const Token& token, const ScanCursor& cursor, std::vector<OpenElement>& open);
    std::size_t matchOuter(const Token& token, std::string_view endName, const std::vector<OpenElement>& open);
    void closeNotEnded(std::vector<OpenElement>& open, std::size_t from);
    void abandon(std::vector<OpenElement>& open);
    void markProblem(const std::vector<OpenElement>& open, std::string message);
    std::string_view openName(const OpenElement& element) const;
    std::int32_t FindSibling(std::int32_t parent, std::int32_t after, std::string_view name) const;
    bool nameMatches(std::int32_t index, std::string_view requested) const;
    std::string ElementText(std::int32_t index) const;
    void appendElementText(std::int32_t index, std::string& out) const;
    void ReserveElements(std::int32_t count);

    ElementRecord& record(std::int32_t index)
    {
        return m_segments[static_cast<std::size_t>(index >> 16)][index & 0xFFFF];
    }
    const ElementRecord& record(std::int32_t index) const
    {
        return m_segments[static_cast<std::size_t>(index >> 16)][index & 0xFFFF];
    }

    std::string m_text;
    std::string m_errorText;
    std::int32_t m_parentIndex = 0;
    std::int32_t m_currentIndex = 0;
    std::int32_t m_childIndex = 0;
    std::int32_t m_elementsInUse = 0;
    std::uint32_t m_currentIsElement = 0;
    // Segment i holds records i * SegmentSize onwards; all but the last are full.
    std::vector<std::unique_ptr<ElementRecord[]>> m_segments;
    std::int32_t m_elementsReserved = 0;
    bool m_wellFormed = false;
};

} // namespace norvanta::xml
