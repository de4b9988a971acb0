#include "platform/linux/RegeditDocument.h"

#include "platform/SettingsKey.h"

#include <algorithm>

namespace norvanta::platform {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kSpaces = " \t\v\f\r";
constexpr char kHexDigits[] = "0123456789abcdef";

std::string_view trimLeft(std::string_view s)
{
    const auto first = s.find_first_not_of(kSpaces);
    return first == std::string_view::npos ? std::string_view{} : s.substr(first);
}

std::string_view trimRight(std::string_view s)
{
    const auto last = s.find_last_not_of(kSpaces);
    return last == std::string_view::npos ? std::string_view{} : s.substr(0, last + 1);
}

std::string_view trim(std::string_view s)
{
    return trimRight(trimLeft(s));
}

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool startsWithIgnoreCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && equalsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = lowerAscii(c);
    return (lower >= 'a' && lower <= 'f') ? lower - 'a' + 10 : -1;
}

// Parses 1 to maxDigits hexadecimal digits making up the whole of s.
std::optional<std::uint32_t> parseHexNumber(std::string_view s, std::size_t maxDigits)
{
    if (s.empty() || s.size() > maxDigits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : s) {
        const int digit = hexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

struct PhysicalLine {
    std::string_view raw;     // with its line end
    std::string_view content; // without it
};

std::vector<PhysicalLine> splitLines(std::string_view text)
{
    std::vector<PhysicalLine> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto newline = text.find('\n', start);
        const auto end = newline == std::string_view::npos ? text.size() : newline + 1;
        std::string_view content = text.substr(start, end - start);
        if (!content.empty() && content.back() == '\n') {
            content.remove_suffix(1);
        }
        if (!content.empty() && content.back() == '\r') {
            content.remove_suffix(1);
        }
        lines.push_back({text.substr(start, end - start), content});
        start = end;
    }
    return lines;
}

// Reads a quoted REGEDIT4 text starting at s[pos] == '"' and leaves pos after the closing
// quote. Only \\ and \" are escapes; any other backslash is kept as written, as regedit
// itself does, so hand-written Windows paths survive.
std::optional<std::string> parseQuoted(std::string_view s, std::size_t& pos)
{
    std::string out;
    for (++pos; pos < s.size(); ++pos) {
        const auto special = s.find_first_of("\"\\", pos);
        if (special == std::string_view::npos) {
            return std::nullopt;
        }
        out.append(s.substr(pos, special - pos));
        pos = special;
        if (s[pos] == '"') {
            ++pos;
            return out;
        }
        if (pos + 1 >= s.size()) {
            return std::nullopt;
        }
        const char next = s[++pos];
        if (next != '\\' && next != '"') {
            out += '\\';
        }
        out += next;
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> parseHexBytes(std::string_view s)
{
    std::vector<std::uint8_t> bytes;
    if (trim(s).empty()) {
        return bytes;
    }
    std::size_t start = 0;
    while (start <= s.size()) {
        const auto comma = s.find(',', start);
        const auto token = trim(s.substr(start, comma == std::string_view::npos ? s.npos : comma - start));
        const bool last = comma == std::string_view::npos;
        if (token.empty() && last && !bytes.empty()) {
            break; // a trailing comma, as exports leave before a continuation
        }
        const auto byte = parseHexNumber(token, 2);
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(*byte));
        if (last) {
            break;
        }
        start = comma + 1;
    }
    return bytes;
}

// Reads the value name at the start of a value line and returns the position of its data,
// or nothing when the line is not "name"=... or @=...
std::optional<std::size_t> parseValueName(std::string_view content, std::string& name)
{
    std::size_t pos = content.find_first_not_of(kSpaces);
    if (pos == std::string_view::npos) {
        return std::nullopt;
    }
    if (content[pos] == '@') {
        name.clear();
        ++pos;
    } else if (content[pos] == '"') {
        auto quoted = parseQuoted(content, pos);
        if (!quoted) {
            return std::nullopt;
        }
        name = std::move(*quoted);
    } else {
        return std::nullopt;
    }
    pos = content.find_first_not_of(kSpaces, pos);
    if (pos == std::string_view::npos || content[pos] != '=') {
        return std::nullopt;
    }
    const auto data = content.find_first_not_of(kSpaces, pos + 1);
    return data == std::string_view::npos ? content.size() : data;
}

bool isHexData(std::string_view content)
{
    std::string ignored;
    const auto data = parseValueName(content, ignored);
    return data && startsWithIgnoreCase(content.substr(*data), "hex");
}

bool endsWithContinuation(std::string_view content)
{
    const auto trimmed = trimRight(content);
    return !trimmed.empty() && trimmed.back() == '\\';
}

// Only lines of hex bytes continue a value, so a value line written after a dangling
// backslash (a cut-off file) is never swallowed into the line before it.
std::string_view withoutLineEnd(std::string_view raw)
{
    if (raw.ends_with('\n')) {
        raw.remove_suffix(1);
    }
    return raw;
}

bool isHexContinuation(std::string_view content)
{
    const auto trimmed = trim(content);
    return !trimmed.empty() && std::all_of(trimmed.begin(), trimmed.end(), [](char c) {
        return hexDigit(c) >= 0 || c == ',' || c == ' ' || c == '\t' || c == '\\';
    });
}

std::optional<RegeditDocument::Value> parseData(std::string_view data)
{
    using Value = RegeditDocument::Value;
    data = trimRight(data);
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 0;
        const auto text = parseQuoted(data, pos);
        if (!text || pos != data.size()) {
            return std::nullopt;
        }
        Value value{kRegSz, std::vector<std::uint8_t>(text->begin(), text->end())};
        value.data.push_back(0);
        return value;
    }
    if (startsWithIgnoreCase(data, "dword:")) {
        const auto number = parseHexNumber(data.substr(6), 8);
        if (!number) {
            return std::nullopt;
        }
        Value value{kRegDword, {}};
        for (int shift = 0; shift < 32; shift += 8) {
            value.data.push_back(static_cast<std::uint8_t>(*number >> shift));
        }
        return value;
    }
    if (!startsWithIgnoreCase(data, "hex")) {
        return std::nullopt;
    }
    data.remove_prefix(3);
    std::uint32_t type = kRegBinary;
    if (!data.empty() && data.front() == '(') {
        const auto close = data.find(')');
        const auto number =
            close == std::string_view::npos ? std::nullopt : parseHexNumber(data.substr(1, close - 1), 8);
        if (!number) {
            return std::nullopt;
        }
        type = *number;
        data.remove_prefix(close + 1);
    }
    if (data.empty() || data.front() != ':') {
        return std::nullopt;
    }
    auto bytes = parseHexBytes(data.substr(1));
    if (!bytes) {
        return std::nullopt;
    }
    return Value{type, std::move(*bytes)};
}

std::string quote(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
    return out;
}

bool hasControlByte(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// A string is written as quoted text only when that reads back as the same bytes: one
// terminating NUL and no control byte that would break the line-based format.
bool isPlainString(const RegeditDocument::Value& value)
{
    if (value.type != kRegSz || value.data.empty() || value.data.back() != 0) {
        return false;
    }
    return std::none_of(value.data.begin(), value.data.end() - 1, [](std::uint8_t b) { return b < 0x20; });
}

void appendHex(std::string& out, std::uint32_t number, int digits)
{
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out += kHexDigits[(number >> shift) & 0xF];
    }
}

std::string formatData(const RegeditDocument::Value& value)
{
    if (isPlainString(value)) {
        return quote(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
    }
    std::string out;
    if (value.type == kRegDword && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i) {
            number = number << 8 | value.data[static_cast<std::size_t>(i)];
        }
        out = "dword:";
        appendHex(out, number, 8);
        return out;
    }
    out = "hex";
    if (value.type != kRegBinary) {
        int digits = 1;
        while (digits < 8 && (value.type >> (digits * 4)) != 0) {
            ++digits;
        }
        out += '(';
        appendHex(out, value.type, digits);
        out += ')';
    }
    out += ':';
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        appendHex(out, value.data[i], 2);
    }
    return out;
}

} // namespace

RegeditDocument::RegeditDocument()
{
    m_lines.push_back({std::string(kHeader) + m_newline, Kind::Header, {}, {}, kNoSection});
    m_lines.push_back({m_newline, Kind::Blank, {}, {}, kNoSection});
}

std::optional<RegeditDocument> RegeditDocument::parse(std::string_view text)
{
    if (text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view body = text;
    if (body.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        body.remove_prefix(kUtf8Bom.size());
    }
    if (body.find_first_not_of(" \t\v\f\r\n") == std::string_view::npos) {
        return RegeditDocument{};
    }

    const auto physical = splitLines(text);
    RegeditDocument document;
    document.m_lines.clear();
    document.m_newline = physical.front().raw.ends_with("\r\n") ? "\r\n" : "\n";

    bool headerSeen = false;
    std::size_t section = kNoSection;
    for (std::size_t i = 0; i < physical.size(); ++i) {
        std::string raw(physical[i].raw);
        std::string content(physical[i].content);
        if (i == 0 && content.starts_with(kUtf8Bom)) {
            content.erase(0, kUtf8Bom.size());
        }
        const auto trimmed = trim(content);
        Line line{};
        if (trimmed.empty()) {
            line.kind = Kind::Blank;
        } else if (!headerSeen) {
            if (!equalsIgnoreCase(trimmed, kHeader)) {
                return std::nullopt;
            }
            headerSeen = true;
            line.kind = Kind::Header;
        } else if (trimmed.front() == ';') {
            line.kind = Kind::Comment;
        } else if (trimmed.front() == '[') {
            // A broken header still ends the section before it, so the lines below it are
            // never taken for values of the wrong key.
            section = kNoSection;
            if (trimmed.back() == ']') {
                line.kind = Kind::Section;
                // A key's name starts with its root, never with a blank, but may end in
                // blanks, so only the leading ones are dropped; sectionMatches forgives
                // trailing ones a hand edit left after a name that has none.
                line.name = std::string(trimLeft(trimmed.substr(1, trimmed.size() - 2)));
                section = document.m_lines.size();
            }
        } else {
            // Long hex data continues on the next lines after a trailing backslash.
            if (isHexData(content)) {
                while (endsWithContinuation(content) && i + 1 < physical.size()
                       && isHexContinuation(physical[i + 1].content)) {
                    content = std::string(trimRight(content));
                    content.pop_back();
                    ++i;
                    raw += physical[i].raw;
                    content += trimLeft(physical[i].content);
                }
            }
            std::string name;
            const auto data = parseValueName(content, name);
            if (data && section != kNoSection) {
                const auto rest = trimRight(std::string_view(content).substr(*data));
                if (rest == "-") {
                    line.kind = Kind::Deletion;
                    line.name = std::move(name);
                } else if (auto value = parseData(rest)) {
                    line.kind = Kind::Value;
                    line.name = std::move(name);
                    line.value = std::move(*value);
                }
            }
        }
        line.raw = std::move(raw);
        line.section = section;
        document.m_lines.push_back(std::move(line));
    }
    return document;
}

bool RegeditDocument::sectionMatches(std::size_t index, std::string_view keyName) const
{
    if (index == kNoSection || m_lines[index].kind != Kind::Section) {
        return false;
    }
    const std::string_view name = m_lines[index].name;
    const bool keyEndsInBlank = !keyName.empty() && trimRight(keyName).size() != keyName.size();
    return equalsIgnoreCase(name, keyName) || (!keyEndsInBlank && equalsIgnoreCase(trimRight(name), keyName));
}

std::size_t RegeditDocument::lastSectionOf(std::string_view keyName) const
{
    for (std::size_t i = m_lines.size(); i-- > 0;) {
        if (sectionMatches(i, keyName)) {
            return i;
        }
    }
    return kNoSection;
}

bool RegeditDocument::hasKey(std::string_view keyName) const
{
    return lastSectionOf(keyName) != kNoSection;
}

void RegeditDocument::ensureFinalNewline()
{
    if (!m_lines.empty() && !m_lines.back().raw.ends_with('\n')) {
        m_lines.back().raw += m_newline;
    }
}

void RegeditDocument::addKey(std::string_view keyName)
{
    if (hasKey(keyName)) {
        return;
    }
    ensureFinalNewline();
    const std::size_t previous = m_lines.empty() ? kNoSection : m_lines.back().section;
    if (m_lines.empty() || m_lines.back().kind != Kind::Blank) {
        m_lines.push_back({m_newline, Kind::Blank, {}, {}, previous});
    }
    const std::size_t index = m_lines.size();
    // Appended piece by piece: GCC 12 at -O3 misreads "[" + std::string(...) as an
    // overlapping copy (its bug 105329) and -Werror turns that into a build failure.
    std::string sectionLine;
    sectionLine.append("[").append(keyName).append("]").append(m_newline);
    m_lines.push_back({std::move(sectionLine), Kind::Section, std::string(keyName), {}, index});
    m_lines.push_back({m_newline, Kind::Blank, {}, {}, index});
}

std::optional<RegeditDocument::Value> RegeditDocument::findValue(std::string_view keyName,
                                                                 std::string_view valueName) const
{
    const Line* found = nullptr;
    for (const Line& line : m_lines) {
        if ((line.kind == Kind::Value || line.kind == Kind::Deletion) && equalsIgnoreCase(line.name, valueName)
            && sectionMatches(line.section, keyName)) {
            found = &line;
        }
    }
    if (found == nullptr || found->kind == Kind::Deletion) {
        return std::nullopt;
    }
    return found->value;
}

bool RegeditDocument::setValue(std::string_view keyName, std::string_view valueName, const Value& value)
{
    if (hasControlByte(valueName)) {
        return false;
    }
    const auto formatLine = [&](std::string_view name) {
        return (name.empty() ? std::string("@") : quote(name)) + "=" + formatData(value) + m_newline;
    };

    for (std::size_t i = m_lines.size(); i-- > 0;) {
        Line& line = m_lines[i];
        if ((line.kind == Kind::Value || line.kind == Kind::Deletion) && equalsIgnoreCase(line.name, valueName)
            && sectionMatches(line.section, keyName)) {
            // The name keeps the spelling it already has, as the registry does.
            line.raw = formatLine(line.name);
            line.kind = Kind::Value;
            line.value = value;
            return true;
        }
    }

    addKey(keyName);
    const std::size_t section = lastSectionOf(keyName);
    std::size_t after = section;
    for (std::size_t i = section + 1; i < m_lines.size() && m_lines[i].section == section; ++i) {
        const Kind kind = m_lines[i].kind;
        if (kind == Kind::Value || kind == Kind::Deletion || kind == Kind::Other) {
            after = i;
        }
    }
    if (!m_lines[after].raw.ends_with('\n')) {
        m_lines[after].raw += m_newline;
    }
    Line line{formatLine(valueName), Kind::Value, std::string(valueName), value, section};
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(after + 1), std::move(line));
    for (std::size_t i = after + 2; i < m_lines.size(); ++i) {
        if (m_lines[i].section != kNoSection && m_lines[i].section > after) {
            ++m_lines[i].section;
        }
    }
    return true;
}

void RegeditDocument::deleteValue(std::string_view keyName, std::string_view valueName)
{
    // Lines below a removed one move up, so the section index each line keeps is renumbered
    // through the map of old to new positions; section lines themselves are never removed.
    // A value after a line that ends in a backslash becomes a blank line instead: gone, the
    // line after it would be read as that line's continuation, and could turn a cut-off
    // line of this very name back into a value.
    std::vector<std::size_t> newIndex(m_lines.size(), kNoSection);
    std::size_t keptCount = 0;
    const Line* lastKept = nullptr;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        Line& line = m_lines[i];
        const bool matches = (line.kind == Kind::Value || line.kind == Kind::Deletion)
                             && equalsIgnoreCase(line.name, valueName) && sectionMatches(line.section, keyName);
        if (matches && lastKept != nullptr && endsWithContinuation(withoutLineEnd(lastKept->raw))) {
            line = Line{m_newline, Kind::Blank, {}, {}, line.section};
        }
        if (!matches || line.kind == Kind::Blank) {
            newIndex[i] = keptCount++;
            lastKept = &line;
        }
    }
    std::vector<Line> kept;
    kept.reserve(keptCount);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (newIndex[i] != kNoSection) {
            kept.push_back(std::move(m_lines[i]));
        }
    }
    for (Line& line : kept) {
        if (line.section != kNoSection) {
            line.section = newIndex[line.section];
        }
    }
    m_lines = std::move(kept);
}

std::string RegeditDocument::serialize() const
{
    std::string text;
    for (const Line& line : m_lines) {
        text += line.raw;
    }
    return text;
}

} // namespace norvanta::platform
