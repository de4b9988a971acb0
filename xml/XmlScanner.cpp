#include "xml/XmlScanner.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>

namespace norvanta::xml {
namespace {

// Byte classes, looked up in one table so the inner loops stay a load and a test.
constexpr unsigned char kBlank = 0x01;         // " \t\n\r"
constexpr unsigned char kTagNameEnd = 0x02;    // " \t\n\r/>" and NUL
constexpr unsigned char kScanNameEnd = 0x04;   // " \t\n\r<>=\\/?!" and NUL
constexpr unsigned char kTextStop = 0x08;      // "<>" and NUL
constexpr unsigned char kTagStop = 0x10;       // ">\"'" and NUL
constexpr unsigned char kMalformedStop = 0x20; // "<>\"'" and NUL

constexpr std::array<unsigned char, 256> makeClasses()
{
    std::array<unsigned char, 256> classes{};
    const auto mark = [&classes](std::string_view bytes, unsigned char bit) {
        for (const char c : bytes) {
            classes[static_cast<unsigned char>(c)] |= bit;
        }
        classes[0] |= bit;
    };
    mark(" \t\n\r", kBlank);
    classes[0] &= static_cast<unsigned char>(~kBlank);
    mark(" \t\n\r/>", kTagNameEnd);
    mark(" \t\n\r<>=\\/?!", kScanNameEnd);
    mark("<>", kTextStop);
    mark(">\"'", kTagStop);
    mark("<>\"'", kMalformedStop);
    return classes;
}

constexpr std::array<unsigned char, 256> kClasses = makeClasses();

bool isIn(char c, unsigned char byteClass)
{
    return (kClasses[static_cast<unsigned char>(c)] & byteClass) != 0;
}

// Bytes that may open a start tag's name: letters, '_', ':' and everything above 0x60,
// which lets CP949 and UTF-8 lead bytes start a name.
bool opensName(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') || byte == '_' || byte == ':' || byte > 0x60;
}

enum class Ending {
    Complete,     // the token ends at the '>' returned
    Before,       // the token ends just before the '<' returned
    Unterminated, // the text ended at the NUL returned
};

struct Outcome {
    Ending ending;
    const char* at;
};

// One token being scanned; the parts below fill in the token's kind, name and message.
struct Scan {
    const char* text;
    Token& token;
    ScanCursor& cursor;
    bool inDoctype = false;
};

std::int32_t offsetIn(const Scan& scan, const char* at)
{
    return static_cast<std::int32_t>(at - scan.text);
}

// A double quote toggles double-quote mode unless single-quote mode is on, and the other
// way round; one variable holding the open quote character expresses exactly that.
void trackQuote(char c, char& openQuote)
{
    if (openQuote == 0) {
        openQuote = c;
    } else if (openQuote == c) {
        openQuote = 0;
    }
}

// Runs to the '>' that is outside quotes. Malformed tags also end before any '<', even a
// quoted one, so that one stray '<' cannot swallow the markup that follows it.
Outcome scanToClosingBracket(const char* at, char openQuote, bool endsBeforeLessThan)
{
    const unsigned char stops = endsBeforeLessThan ? kMalformedStop : kTagStop;
    for (;;) {
        if (openQuote != 0) {
            while (*at != '\0' && *at != openQuote && !(endsBeforeLessThan && *at == '<')) {
                ++at;
            }
        } else {
            while (!isIn(*at, stops)) {
                ++at;
            }
        }
        switch (*at) {
        case '\0':
            return {Ending::Unterminated, at};
        case '<':
            return {Ending::Before, at};
        case '>':
            if (openQuote == 0) {
                return {Ending::Complete, at};
            }
            break;
        default:
            trackQuote(*at, openQuote);
            break;
        }
        ++at;
    }
}

// Runs to a '>' preceded by `closing` ("?", "--" or "]]"). The offset test keeps the look
// back inside the text.
Outcome scanToTerminator(const Scan& scan, const char* at, std::string_view closing)
{
    const auto terminatorLength = static_cast<std::ptrdiff_t>(closing.size() + 1);
    for (;;) {
        const char* bracket = std::strchr(at, '>');
        if (bracket == nullptr) {
            return {Ending::Unterminated, at + std::strlen(at)};
        }
        if (bracket - scan.text > terminatorLength
            && std::memcmp(bracket - closing.size(), closing.data(), closing.size()) == 0) {
            return {Ending::Complete, bracket};
        }
        at = bracket + 1;
    }
}

void setIncorrect(Scan& scan, const char* what)
{
    scan.token.kind = TokenKind::Error;
    scan.token.text = "Incorrect ";
    scan.token.text += what;
    scan.token.text += " at offset ";
    scan.token.text += std::to_string(scan.token.start);
}

Outcome scanMalformed(Scan& scan, const char* what, const char* at)
{
    setIncorrect(scan, what);
    return scanToClosingBracket(at, 0, true);
}

const char* skipTagName(const char* at)
{
    while (!isIn(*at, kTagNameEnd)) {
        ++at;
    }
    return at;
}

// The '/' must directly follow the name or a blank or a closing quote; "<a x=1/>" keeps
// its '/' as part of an unquoted value. Only bytes from the name's delimiter on count.
bool closesItself(const char* nameEnd, const char* bracket)
{
    if (bracket - 1 < nameEnd || bracket[-1] != '/') {
        return false;
    }
    if (bracket - 2 < nameEnd) {
        return true;
    }
    const char before = bracket[-2];
    return isIn(before, kBlank) || before == '\'' || before == '"';
}

Outcome scanStartTag(Scan& scan, const char* nameStart)
{
    scan.token.kind = TokenKind::StartTag;
    char openQuote = 0;
    const char* at = nameStart;
    while (!isIn(*at, kTagNameEnd)) {
        if (*at == '"' || *at == '\'') {
            trackQuote(*at, openQuote);
        }
        ++at;
    }
    if (*at == '\0') {
        return {Ending::Unterminated, at};
    }
    scan.token.text.assign(nameStart, at);
    const Outcome outcome = scanToClosingBracket(at, openQuote, false);
    if (outcome.ending == Ending::Complete && closesItself(at, outcome.at)) {
        scan.token.flags |= Token::EmptyElement;
    }
    return outcome;
}

Outcome scanEndTag(Scan& scan, const char* nameStart)
{
    scan.token.kind = TokenKind::EndTag;
    const char* at = skipTagName(nameStart);
    if (*at == '\0') {
        return {Ending::Unterminated, at};
    }
    scan.cursor.nameStart = offsetIn(scan, nameStart);
    scan.cursor.nameEnd = offsetIn(scan, at) - 1;
    while (*at != '\0' && *at != '>') {
        ++at;
    }
    return {*at == '\0' ? Ending::Unterminated : Ending::Complete, at};
}

Outcome scanProcessingInstruction(Scan& scan, const char* nameStart)
{
    scan.token.kind = TokenKind::ProcessingInstruction;
    const char* at = skipTagName(nameStart);
    if (*at == '\0') {
        return {Ending::Unterminated, at};
    }
    scan.token.text.assign(nameStart, at);
    return scanToTerminator(scan, at, "?");
}

Outcome scanAfterLessThan(Scan& scan, const char* at);

// Declarations, comments and processing instructions nest inside a document type
// declaration; the declaration itself ends at its first '>' outside them.
Outcome scanDoctype(Scan& scan, const char* at)
{
    scan.inDoctype = true;
    for (;;) {
        while (*at != '\0' && *at != '<' && *at != '>') {
            ++at;
        }
        if (*at == '\0') {
            return {Ending::Unterminated, at};
        }
        if (*at == '>') {
            scan.token.kind = TokenKind::Doctype;
            return {Ending::Complete, at};
        }
        const Outcome nested = scanAfterLessThan(scan, at + 1);
        if (nested.ending != Ending::Complete) {
            return nested;
        }
        at = nested.at + 1;
    }
}

Outcome scanAfterBang(Scan& scan, const char* at)
{
    switch (*at) {
    case '\0':
        return {Ending::Unterminated, at};
    case '-':
        if (at[1] == '\0') {
            return {Ending::Unterminated, at + 1};
        }
        if (at[1] != '-') {
            return scanMalformed(scan, "comment tag", at + 2);
        }
        scan.token.kind = TokenKind::Comment;
        return scanToTerminator(scan, at + 2, "--");
    case '[':
        if (scan.inDoctype) {
            break;
        }
        if (at[1] == '\0') {
            return {Ending::Unterminated, at + 1};
        }
        if (at[1] != 'C') {
            return scanMalformed(scan, "tag", at + 2);
        }
        scan.token.kind = TokenKind::CData;
        return scanToTerminator(scan, at + 2, "]]");
    case 'D':
        if (scan.inDoctype) {
            break;
        }
        return scanDoctype(scan, at + 1);
    case 'E':
    case 'A':
    case 'N':
        scan.token.kind = TokenKind::Doctype;
        return scanToClosingBracket(at + 1, 0, false);
    default:
        break;
    }
    return scanMalformed(scan, "! tag", at + 1);
}

Outcome scanAfterLessThan(Scan& scan, const char* at)
{
    if (*at == '\0') {
        return {Ending::Unterminated, at};
    }
    if (opensName(*at)) {
        return scanStartTag(scan, at);
    }
    switch (*at) {
    case '/':
        return scanEndTag(scan, at + 1);
    case '?':
        return scanProcessingInstruction(scan, at + 1);
    case '!':
        return scanAfterBang(scan, at + 1);
    default:
        return scanMalformed(scan, "tag name character", at + 1);
    }
}

const char* unterminatedWhat(const Scan& scan)
{
    if (scan.inDoctype) {
        return "Doctype";
    }
    switch (scan.token.kind) {
    case TokenKind::StartTag:
        return "Element tag";
    case TokenKind::EndTag:
        return "Element end tag";
    case TokenKind::CData:
        return "CDATA Section";
    case TokenKind::ProcessingInstruction:
        return "Processing instruction";
    case TokenKind::Comment:
        return "Comment";
    case TokenKind::Doctype:
        return "Doctype";
    default:
        return "tag";
    }
}

// Returns one past the markup token's last byte.
const char* scanMarkup(Scan& scan, const char* lessThan)
{
    const Outcome outcome = scanAfterLessThan(scan, lessThan + 1);
    switch (outcome.ending) {
    case Ending::Complete:
        return outcome.at + 1;
    case Ending::Before:
        return outcome.at;
    case Ending::Unterminated:
        break;
    }
    scan.token.text = unterminatedWhat(scan);
    scan.token.text += " at offset ";
    scan.token.text += std::to_string(scan.token.start);
    scan.token.text += " unterminated";
    scan.token.kind = TokenKind::Error;
    return outcome.at;
}

// Character data runs to the next '<' (not included) or through the next '>'.
const char* scanText(const char* at)
{
    while (!isIn(*at, kTextStop)) {
        ++at;
    }
    return *at == '>' ? at + 1 : at;
}

} // namespace

TokenKind ScanToken(ScanCursor& cursor, Token& token)
{
    const char* first = cursor.text + cursor.next;
    token.start = cursor.next;
    token.flags = 0;
    token.text.clear();
    token.kind = TokenKind::Error;

    const char* end = first;
    if (*first == '\0') {
        token.kind = TokenKind::EndOfText;
    } else if (*first == '<') {
        Scan scan{cursor.text, token, cursor};
        end = scanMarkup(scan, first);
    } else if (isIn(*first, kBlank)) {
        end = first + 1;
        while (isIn(*end, kBlank)) {
            ++end;
        }
        if (*end == '<' || *end == '\0') {
            token.kind = TokenKind::Whitespace;
        } else {
            token.kind = TokenKind::Text;
            end = scanText(end + 1);
        }
    } else {
        token.kind = TokenKind::Text;
        end = scanText(first + 1);
    }
    cursor.next = static_cast<std::int32_t>(end - cursor.text);
    token.length = cursor.next - token.start;
    return token.kind;
}

bool ScanName(ScanCursor& cursor)
{
    const char* at = cursor.text + cursor.next;
    while (isIn(*at, kBlank)) {
        ++at;
    }
    // A delimiter standing where the name should start is a name of its own.
    const char* end = at;
    if (*at != '\0') {
        ++end;
        if (!isIn(*at, kScanNameEnd)) {
            while (!isIn(*end, kScanNameEnd)) {
                ++end;
            }
        }
    }
    cursor.nameStart = static_cast<std::int32_t>(at - cursor.text);
    cursor.nameEnd = static_cast<std::int32_t>(end - cursor.text) - 1;
    cursor.next = static_cast<std::int32_t>(end - cursor.text);
    return *at != '\0';
}

} // namespace norvanta::xml
