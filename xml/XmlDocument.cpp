#include "xml/XmlDocument.h"

#include "xml/XmlScanner.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace norvanta::xml {
namespace {

constexpr ElementRecord kNoRecord{};

std::string quoted(std::string_view name)
{
    std::string text;
    text.reserve(name.size() + 2);
    text += '\'';
    text += name;
    text += '\'';
    return text;
}

std::string atOffset(std::int32_t offset)
{
    return " at offset " + std::to_string(offset);
}

// A name compared against `requested` may be followed in it by one of these; what comes
// after is a suffix the comparison ignores.
bool endsComparedName(std::string_view requested, std::size_t length)
{
    return requested.size() == length
           || std::string_view{"\0 =/[]", 6}.find(requested[length]) != std::string_view::npos;
}

// Tag names are short; a plain loop beats a call to memcmp for them.
bool sameBytes(std::string_view bytes, const char* other)
{
    for (const char c : bytes) {
        if (c != *other++) {
            return false;
        }
    }
    return true;
}

// The bytes that end a name as ScanName reads it, NUL included.
bool endsScannedName(char c)
{
    switch (c) {
    case '\0':
    case ' ':
    case '\t':
    case '\n':
    case '\r':
    case '<':
    case '>':
    case '=':
    case '\\':
    case '/':
    case '?':
    case '!':
        return true;
    default:
        return false;
    }
}

void appendUtf8(long value, std::string& out)
{
    // Values UTF-8 cannot carry (negative, surrogates, beyond U+10FFFF) become U+FFFD
    // rather than bytes that some later reader would misinterpret.
    if (value < 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        value = 0xFFFD;
    }
    const auto code = static_cast<unsigned long>(value);
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

int digitValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 99;
}

// Reads at most 7 characters as strtol would. Plain digits, by far the usual case, are
// summed directly; anything else (signs, blanks, "0x", trailing junk) goes to strtol.
long parseNumber(std::string_view digits, int base)
{
    long value = 0;
    for (const char c : digits) {
        const int digit = digitValue(c);
        if (digit >= base) {
            std::array<char, 8> number{};
            std::copy(digits.begin(), digits.end(), number.begin());
            return std::strtol(number.data(), nullptr, base);
        }
        value = value * base + digit;
    }
    return value;
}

// Decodes the reference whose '&' is at `amp`; returns the bytes it spans, or 0 when the
// bytes there are no reference and the '&' stands for itself.
std::size_t decodeReference(std::string_view in, std::size_t amp, std::string& out)
{
    const std::string_view rest = in.substr(amp + 1);
    if (!rest.empty() && rest.front() == '#') {
        const bool hex = rest.size() > 1 && rest[1] == 'x';
        const std::size_t digits = hex ? 2 : 1;
        constexpr std::size_t maxDigits = 7;
        const std::size_t semicolon = rest.substr(0, std::min(rest.size(), digits + maxDigits + 1)).find(';', digits);
        if (semicolon == std::string_view::npos) {
            return 0;
        }
        const long value = parseNumber(rest.substr(digits, semicolon - digits), hex ? 16 : 10);
        if (value == 0) {
            return 0;
        }
        appendUtf8(value, out);
        return semicolon + 2;
    }
    static constexpr std::array<std::pair<std::string_view, char>, 5> entities{{
        {"lt;", '<'},
        {"amp;", '&'},
        {"gt;", '>'},
        {"apos;", '\''},
        {"quot;", '"'},
    }};
    for (const auto& [name, replacement] : entities) {
        if (rest.starts_with(name)) {
            out += replacement;
            return name.size() + 1;
        }
    }
    return 0;
}

void appendDecoded(std::string_view in, std::string& out)
{
    out.reserve(out.size() + in.size());
    std::size_t from = 0;
    for (;;) {
        const std::size_t amp = in.find('&', from);
        if (amp == std::string_view::npos) {
            out.append(in.substr(from));
            return;
        }
        out.append(in.substr(from, amp - from));
        const std::size_t spanned = decodeReference(in, amp, out);
        if (spanned == 0) {
            out += '&';
            from = amp + 1;
        } else {
            from = amp + spanned;
        }
    }
}

} // namespace

// An open start tag on BuildTree's stack. The name stays in the text: it starts right
// after the element's '<', so its length is all that needs keeping.
struct XmlDocument::OpenElement {
    std::int32_t index;
    std::int32_t nameLength;
};

XmlDocument::XmlDocument()
{
    parse();
}

bool XmlDocument::LoadText(const char* text)
{
    return LoadText(std::string_view{text == nullptr ? "" : text});
}

bool XmlDocument::LoadText(std::string_view text)
{
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) {
        text = text.substr(0, nul);
    }
    if (text.size() > MaxTextLength) {
        return refuse("Document too large");
    }
    try {
        m_text.assign(text);
    } catch (const std::bad_alloc&) {
        return refuse("Out of memory");
    }
    return parse();
}

bool XmlDocument::LoadText(std::string&& text)
{
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
    if (text.size() > MaxTextLength) {
        return refuse("Document too large");
    }
    m_text = std::move(text);
    return parse();
}

// A text that cannot be indexed leaves an empty document behind, so that no navigation
// can reach the previous tree, and says why.
bool XmlDocument::refuse(const char* reason)
{
    m_text.clear();
    parse();
    m_errorText = reason;
    return false;
}

bool XmlDocument::IsWellFormed() const
{
    return m_wellFormed;
}

const ElementRecord& XmlDocument::Element(std::int32_t index) const
{
    if (index < 0 || index >= m_elementsInUse) {
        return kNoRecord;
    }
    return record(index);
}

std::string_view XmlDocument::ElementName(std::int32_t index) const
{
    if (index <= 0 || index >= m_elementsInUse) {
        return {};
    }
    ScanCursor cursor;
    cursor.text = m_text.c_str();
    cursor.next = record(index).start + 1;
    ScanName(cursor);
    return std::string_view{m_text}.substr(static_cast<std::size_t>(cursor.nameStart),
                                           static_cast<std::size_t>(cursor.nameEnd - cursor.nameStart + 1));
}

bool XmlDocument::parse()
{
    m_parentIndex = 0;
    m_currentIndex = 0;
    m_childIndex = 0;
    m_currentIsElement = 0;
    m_wellFormed = false;
    m_errorText.clear();
    m_elementsInUse = 1;
    ReserveElements(static_cast<std::int32_t>(m_text.size() / 64 + 8));
    if (m_elementsReserved == 0) {
        m_elementsInUse = 0;
        m_errorText = "Out of memory";
        return false;
    }
    record(0) = ElementRecord{};
    try {
        if (m_text.empty()) {
            m_errorText = "Empty document";
        } else {
            ScanCursor cursor;
            cursor.text = m_text.c_str();
            const std::int32_t root = BuildTree(cursor);
            record(0).length = static_cast<std::int32_t>(m_text.size());
            if (root == 0) {
                m_errorText = "No root element";
            } else {
                record(0).firstChild = root;
                if (record(root).next != 0) {
                    m_errorText = "Root element has sibling";
                }
            }
        }
    } catch (const std::bad_alloc&) {
        // Only a tag name or a message can fail to copy here; the tree built so far stays.
        record(0).flags |= ElementRecord::IllFormed;
        m_errorText = "Out of memory";
    }
    m_parentIndex = 0;
    m_currentIndex = 0;
    m_childIndex = 0;
    m_currentIsElement = 0;
    const ElementRecord& document = record(0);
    m_wellFormed = (document.flags & ElementRecord::IllFormed) == 0 && document.firstChild != 0
                   && record(document.firstChild).next == 0;
    return m_wellFormed;
}

std::int32_t XmlDocument::BuildTree(ScanCursor& cursor)
{
    m_errorText.clear();
    std::vector<OpenElement> open;
    open.reserve(6);
    Token token;
    for (;;) {
        switch (ScanToken(cursor, token)) {
        case TokenKind::StartTag:
            if (!openElement(token, open)) {
                abandon(open);
                return m_elementsInUse > 1 ? 1 : 0;
            }
            break;
        case TokenKind::EndTag:
            closeElement(token, cursor, open);
            break;
        case TokenKind::Error:
            markProblem(open, token.text);
            break;
        case TokenKind::EndOfText:
            if (!open.empty()) {
                const OpenElement& innermost = open.back();
                if (m_errorText.empty()) {
                    m_errorText = "Element " + quoted(openName(innermost)) + atOffset(record(innermost.index).start)
                                  + " not ended";
                }
                record(0).flags |= ElementRecord::IllFormed;
                closeNotEnded(open, 0);
            }
            // Elements are numbered in start-tag order, so the first one is always 1.
            return m_elementsInUse > 1 ? 1 : 0;
        default:
            break;
        }
    }
}

// Takes a record for the start tag and links it as the last child of the innermost open
// element. Returns false when parsing cannot go on (too deep, or no memory for records).
bool XmlDocument::openElement(const Token& token, std::vector<OpenElement>& open)
{
    if (token.length > ElementRecord::MaxStartTagLength || open.size() >= static_cast<std::size_t>(MaxDepth)
        || m_elementsInUse == m_elementsReserved) {
        const Admission admission = admitElement(token, open);
        if (admission != Admission::Take) {
            return admission == Admission::Skip;
        }
    }
    const auto nameLength = static_cast<std::int32_t>(token.text.size());
    const std::int32_t index = m_elementsInUse++;
    const std::int32_t parent = open.empty() ? 0 : open.back().index;
    ElementRecord& element = record(index);
    element.start = token.start;
    element.length = token.length;
    element.tagLengths = static_cast<std::uint32_t>(token.length);
    element.flags = static_cast<std::uint32_t>(open.size());
    element.parent = parent;
    element.firstChild = 0;
    element.next = 0;

    ElementRecord& parentRecord = record(parent);
    if (parentRecord.firstChild == 0) {
        parentRecord.firstChild = index;
        element.previous = index;
        element.flags |= ElementRecord::FirstChild;
    } else {
        ElementRecord& firstSibling = record(parentRecord.firstChild);
        record(firstSibling.previous).next = index;
        element.previous = firstSibling.previous;
        firstSibling.previous = index;
    }
    if ((token.flags & Token::EmptyElement) == 0) {
        if (open.size() == open.capacity()) {
            open.reserve(open.capacity() * 2 + 6);
        }
        open.push_back(OpenElement{index, nameLength});
    }
    return true;
}

// The rare cases of openElement, kept apart so that the common path stays small.
XmlDocument::Admission XmlDocument::admitElement(const Token& token, const std::vector<OpenElement>& open)
{
    if (token.length > ElementRecord::MaxStartTagLength) {
        // The tag length would not fit its field; the tag is left out of the tree.
        markProblem(open, "Element tag" + atOffset(token.start) + " too long");
        return Admission::Skip;
    }
    if (open.size() >= static_cast<std::size_t>(MaxDepth)) {
        const std::string_view name{m_text.data() + token.start + 1, token.text.size()};
        markProblem(open, "Element " + quoted(name) + atOffset(token.start) + " nested too deeply");
        return Admission::Stop;
    }
    ReserveElements(0);
    if (m_elementsInUse == m_elementsReserved) {
        markProblem(open, "Out of memory" + atOffset(token.start));
        return Admission::Stop;
    }
    return Admission::Take;
}

void XmlDocument::closeElement(const Token& token, const ScanCursor& cursor, std::vector<OpenElement>& open)
{
    const std::string_view endName{m_text.data() + cursor.nameStart,
                                   static_cast<std::size_t>(cursor.nameEnd - cursor.nameStart + 1)};
    std::size_t matched = open.size();
    const bool closesInnermost = matched > 0 && static_cast<std::size_t>(open.back().nameLength) == endName.size()
                                 && token.length <= ElementRecord::MaxEndTagLength
                                 && sameBytes(endName, openName(open.back()).data());
    if (!closesInnermost) {
        matched = matchOuter(token, endName, open);
        if (matched == 0) {
            return;
        }
    }
    const std::size_t closing = matched - 1;
    if (closing + 1 < open.size()) {
        record(0).flags |= ElementRecord::IllFormed;
        if (m_errorText.empty()) {
            const OpenElement& innermost = open.back();
            m_errorText = "End tag " + quoted(endName) + atOffset(token.start) + " does not match start tag "
                          + quoted(openName(innermost)) + atOffset(record(innermost.index).start);
        }
        closeNotEnded(open, closing + 1);
    }
    ElementRecord& element = record(open[closing].index);
    element.length = token.start + token.length - element.start;
    element.tagLengths = (element.tagLengths & ElementRecord::StartTagLengthMask)
                         | (static_cast<std::uint32_t>(token.length) << ElementRecord::EndTagLengthShift);
    open.pop_back();
}

// The rare cases of closeElement: returns one past the open element the end tag closes,
// or 0 when it closes none (the problem is then recorded).
std::size_t XmlDocument::matchOuter(const Token& token, std::string_view endName, const std::vector<OpenElement>& open)
{
    if (token.length > ElementRecord::MaxEndTagLength) {
        // The end-tag length would not fit its field; the element stays open.
        markProblem(open, "Element end tag" + atOffset(token.start) + " too long");
        return 0;
    }
    // A start-tag name closed by this end tag may carry a suffix after one of " =/[]".
    std::size_t matched = open.size();
    while (matched > 0) {
        const std::string_view name = openName(open[matched - 1]);
        if (name.starts_with(endName) && endsComparedName(name, endName.size())) {
            return matched;
        }
        --matched;
    }
    markProblem(open, "No start tag for end tag " + quoted(endName) + atOffset(token.start));
    return 0;
}

// Closes open[from..] without end tags. Their children move up to follow them as siblings
// under the parent of open[from]; done in one pass so that each moved element is touched
// once however deep the unclosed chain is.
void XmlDocument::closeNotEnded(std::vector<OpenElement>& open, std::size_t from)
{
    if (from >= open.size()) {
        return;
    }
    const std::int32_t target = from == 0 ? 0 : open[from - 1].index;
    for (std::size_t k = open.size(); k-- > from;) {
        ElementRecord& element = record(open[k].index);
        element.tagLengths &= ElementRecord::StartTagLengthMask;
        element.length = element.startTagLength();
        element.flags |= ElementRecord::NotEnded;
        if ((element.flags & ElementRecord::HasProblem) != 0) {
            element.flags &= ~ElementRecord::HasProblem;
            record(element.parent).flags |= ElementRecord::HasProblem;
        }
    }
    std::int32_t tail = open[from].index;
    for (std::size_t k = from; k < open.size(); ++k) {
        ElementRecord& closed = record(open[k].index);
        const std::int32_t child = closed.firstChild;
        if (child == 0) {
            continue;
        }
        closed.firstChild = 0;
        ElementRecord& firstMoved = record(child);
        const std::int32_t lastMoved = firstMoved.previous;
        firstMoved.flags &= ~ElementRecord::FirstChild;
        for (std::int32_t moved = child; moved != 0; moved = record(moved).next) {
            record(moved).parent = target;
        }
        record(tail).next = child;
        firstMoved.previous = tail;
        tail = lastMoved;
    }
    record(record(target).firstChild).previous = tail;
    open.resize(from);
}

// Parsing stops early: the open elements are marked not ended where they stand, so the
// tree stays as it was read and the message that stopped it is the one kept.
void XmlDocument::abandon(std::vector<OpenElement>& open)
{
    for (const OpenElement& element : open) {
        ElementRecord& closed = record(element.index);
        closed.tagLengths &= ElementRecord::StartTagLengthMask;
        closed.length = closed.startTagLength();
        closed.flags |= ElementRecord::NotEnded;
    }
    open.clear();
}

void XmlDocument::markProblem(const std::vector<OpenElement>& open, std::string message)
{
    record(0).flags |= ElementRecord::IllFormed;
    record(open.empty() ? 0 : open.back().index).flags |= ElementRecord::HasProblem;
    if (m_errorText.empty()) {
        m_errorText = std::move(message);
    }
}

std::string_view XmlDocument::openName(const OpenElement& element) const
{
    return std::string_view{m_text.data() + record(element.index).start + 1,
                            static_cast<std::size_t>(element.nameLength)};
}

std::int32_t XmlDocument::FindSibling(std::int32_t parent, std::int32_t after, std::string_view name) const
{
    std::int32_t candidate = after != 0 ? record(after).next : record(parent).firstChild;
    if (name.empty()) {
        return candidate;
    }
    while (candidate != 0 && !nameMatches(candidate, name)) {
        candidate = record(candidate).next;
    }
    return candidate;
}

// Compares in one pass what ScanName would find after the '<' (a name running to the first
// of " \t\n\r<>=\\/?!") with the requested name. A start tag's first byte is never one of
// those delimiters, so no blank skipping or one-byte delimiter name can arise here.
bool XmlDocument::nameMatches(std::int32_t index, std::string_view requested) const
{
    const char* name = m_text.c_str() + record(index).start + 1;
    std::size_t length = 0;
    while (length < requested.size() && name[length] == requested[length] && !endsScannedName(name[length])) {
        ++length;
    }
    return endsScannedName(name[length]) && endsComparedName(requested, length);
}

bool XmlDocument::FindChild(const char* name)
{
    return FindChild(std::string_view{name == nullptr ? "" : name});
}

bool XmlDocument::FindChild(std::string_view name)
{
    if (m_elementsInUse == 0) {
        return false;
    }
    if (m_currentIndex == 0) {
        const std::int32_t first = FindSibling(m_parentIndex, 0, {});
        if (first != 0) {
            m_currentIndex = first;
            m_parentIndex = record(first).parent;
            m_childIndex = 0;
            m_currentIsElement = 1;
        }
    }
    const std::int32_t found = FindSibling(m_currentIndex, m_childIndex, name);
    if (found == 0) {
        return false;
    }
    m_childIndex = found;
    m_currentIndex = record(found).parent;
    m_parentIndex = record(m_currentIndex).parent;
    m_currentIsElement = m_currentIndex != 0 ? 1 : 0;
    return true;
}

void XmlDocument::EnterChild()
{
    if (m_currentIndex == 0 || m_currentIsElement != 1) {
        return;
    }
    m_parentIndex = m_currentIndex;
    m_currentIndex = m_childIndex;
    m_childIndex = 0;
    m_currentIsElement = m_currentIndex != 0 ? 1 : 0;
}

void XmlDocument::LeaveElement()
{
    if (m_parentIndex == 0) {
        return;
    }
    m_childIndex = m_currentIndex;
    m_currentIndex = m_parentIndex;
    m_parentIndex = record(m_parentIndex).parent;
    m_currentIsElement = 1;
}

std::string XmlDocument::ChildText() const
{
    if (m_childIndex <= 0 || m_childIndex >= m_elementsInUse) {
        return {};
    }
    try {
        return ElementText(m_childIndex);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

int XmlDocument::ReadChildText(const char* name, std::string& text)
{
    return ReadChildText(std::string_view{name == nullptr ? "" : name}, text);
}

int XmlDocument::ReadChildText(std::string_view name, std::string& text)
{
    if (!FindChild(name)) {
        return 0;
    }
    try {
        std::string value;
        appendElementText(m_childIndex, value);
        const std::size_t nul = value.find('\0');
        if (nul != std::string::npos) {
            value.resize(nul);
        }
        text = std::move(value);
    } catch (const std::bad_alloc&) {
        // The caller's text stays as it was; the element was found all the same.
    }
    return 1;
}

std::string XmlDocument::ElementText(std::int32_t index) const
{
    std::string text;
    appendElementText(index, text);
    return text;
}

void XmlDocument::appendElementText(std::int32_t index, std::string& out) const
{
    const ElementRecord& element = record(index);
    if (element.firstChild != 0 || element.startTagLength() == element.length) {
        return;
    }
    const std::int64_t begin = std::int64_t{element.start} + element.startTagLength();
    const std::int64_t end =
        std::min<std::int64_t>(std::int64_t{element.start} + element.length - element.endTagLength(),
                               static_cast<std::int64_t>(m_text.size()));
    if (end <= begin) {
        return;
    }
    const std::string_view content{m_text.data() + begin, static_cast<std::size_t>(end - begin)};
    if (content.find('<') == std::string_view::npos) {
        appendDecoded(content, out);
        return;
    }
    // Mixed content: character data and CDATA sections count, comments and the like not.
    ScanCursor cursor;
    cursor.text = m_text.c_str();
    cursor.next = static_cast<std::int32_t>(begin);
    Token token;
    while (cursor.next < end) {
        const TokenKind kind = ScanToken(cursor, token);
        const std::int64_t tokenEnd = std::min<std::int64_t>(cursor.next, end);
        if (kind == TokenKind::EndOfText) {
            break;
        }
        if (kind == TokenKind::Text) {
            appendDecoded(
                std::string_view{m_text.data() + token.start, static_cast<std::size_t>(tokenEnd - token.start)}, out);
        } else if (kind == TokenKind::CData) {
            constexpr std::int64_t opening = 9; // "<![CDATA["
            constexpr std::int64_t closing = 3; // "]]>"
            const std::int64_t dataBegin = std::int64_t{token.start} + opening;
            const std::int64_t dataEnd = std::min(std::int64_t{cursor.next} - closing, end);
            if (dataEnd > dataBegin) {
                out.append(m_text.data() + dataBegin, static_cast<std::size_t>(dataEnd - dataBegin));
            }
        }
    }
}

std::string XmlDocument::DecodeText(std::string_view text)
{
    std::string decoded;
    appendDecoded(text, decoded);
    return decoded;
}

// Grows the element table to `count` records (0: by half of what is in use), adding at
// most one segment per call so that growth never copies more than one segment. Running
// out of memory leaves the table as it was; the caller notices that nothing was added.
void XmlDocument::ReserveElements(std::int32_t count)
{
    if (count == 0) {
        count = m_elementsInUse + m_elementsInUse / 2;
    }
    if (m_elementsReserved >= count) {
        return;
    }
    const std::int32_t oldLast = m_elementsReserved > 0 ? (m_elementsReserved - 1) >> 16 : 0;
    const std::int32_t oldLastSize = m_elementsReserved - oldLast * SegmentSize;
    std::int32_t newLast = (count - 1) >> 16;
    if (newLast > oldLast + 1) {
        newLast = oldLast + 1;
        count = (newLast + 1) * SegmentSize;
    }
    const auto copyRecords = [this](std::int32_t segment, ElementRecord* to, std::int32_t records) {
        if (records > 0) {
            std::copy_n(m_segments[static_cast<std::size_t>(segment)].get(), records, to);
        }
    };
    try {
        std::unique_ptr<ElementRecord[]> filledOld;
        if (newLast > oldLast && oldLastSize < SegmentSize) {
            filledOld = std::make_unique_for_overwrite<ElementRecord[]>(SegmentSize);
            copyRecords(oldLast, filledOld.get(), oldLastSize);
        }
        const std::int32_t newLastSize = count - newLast * SegmentSize;
        auto last = std::make_unique_for_overwrite<ElementRecord[]>(static_cast<std::size_t>(newLastSize));
        if (newLast == oldLast) {
            copyRecords(oldLast, last.get(), oldLastSize);
        }
        const auto segments = static_cast<std::size_t>(newLast) + 1;
        if (m_segments.capacity() < segments) {
            m_segments.reserve(2 * static_cast<std::size_t>(newLast) + 4);
        }
        if (m_segments.size() < segments) {
            m_segments.resize(segments);
        }
        if (filledOld) {
            m_segments[static_cast<std::size_t>(oldLast)] = std::move(filledOld);
        }
        m_segments[static_cast<std::size_t>(newLast)] = std::move(last);
        m_elementsReserved = count;
    } catch (const std::bad_alloc&) {
        // Reported by the caller, which finds the table no larger than before.
    }
}

} // namespace norvanta::xml
