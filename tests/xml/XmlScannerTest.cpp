#include "xml/XmlScanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvanta::xml {
namespace {

struct TokenCase {
    const char* name;
    std::string prefix; // text before the token; the scan starts after it
    std::string input;
    TokenKind kind;
    int length;
    std::string text; // name or message
    bool emptyElement = false;
};

std::ostream& operator<<(std::ostream& out, const TokenCase& c)
{
    return out << c.name;
}

class ScanTokenTest : public ::testing::TestWithParam<TokenCase> {};

TEST_P(ScanTokenTest, ScansKindLengthNameAndFlag)
{
    const TokenCase& c = GetParam();
    const std::string text = c.prefix + c.input;
    ScanCursor cursor;
    cursor.text = text.c_str();
    cursor.next = static_cast<int>(c.prefix.size());
    Token token;
    EXPECT_EQ(ScanToken(cursor, token), c.kind);
    EXPECT_EQ(token.kind, c.kind);
    EXPECT_EQ(token.start, static_cast<int>(c.prefix.size()));
    EXPECT_EQ(token.length, c.length);
    EXPECT_EQ(cursor.next, token.start + token.length);
    EXPECT_EQ(token.text, c.text);
    EXPECT_EQ((token.flags & Token::EmptyElement) != 0, c.emptyElement);
}

const TokenCase kTokenCases[] = {
    // Start tags and the empty-element rule.
    {"EmptyElementTag", "", "<a/>", TokenKind::StartTag, 4, "a", true},
    {"SingleQuotedValueThenSlash", "", "<a x='1'/>", TokenKind::StartTag, 10, "a", true},
    {"DoubleQuotedValueThenSlash", "", "<a x=\"1\"/>", TokenKind::StartTag, 10, "a", true},
    {"UnquotedValueKeepsSlash", "", "<a x=1/>", TokenKind::StartTag, 8, "a", false},
    {"BlankBeforeSlash", "", "<a />", TokenKind::StartTag, 5, "a", true},
    {"BlankAfterSlash", "", "<a/ >", TokenKind::StartTag, 5, "a", false},
    {"PlainStartTag", "", "<server_name>x", TokenKind::StartTag, 13, "server_name"},
    {"QuotedGreaterThanIsData", "", "<a x='>' y=\"'>\">z", TokenKind::StartTag, 16, "a"},
    {"Cp949Name", "", "<\xBC\xAD\xB9\xF6>", TokenKind::StartTag, 6, "\xBC\xAD\xB9\xF6"},
    {"NameWithSuffix", "", "<a=b[1]>", TokenKind::StartTag, 8, "a=b[1]"},
    // End tags, text and blanks.
    {"EndTag", "", "</ab >", TokenKind::EndTag, 6, ""},
    {"TextEndsBeforeLessThan", "", "text<a>", TokenKind::Text, 4, ""},
    {"TextEndsAtTheEnd", "", "text", TokenKind::Text, 4, ""},
    {"TextEndsThroughGreaterThan", "", "a>b<", TokenKind::Text, 2, ""},
    {"BlanksBeforeMarkup", "", " \t\r\n<a/>", TokenKind::Whitespace, 4, ""},
    {"BlanksAtTheEnd", "", "  ", TokenKind::Whitespace, 2, ""},
    {"BlanksThenText", "", "  x <a/>", TokenKind::Text, 4, ""},
    {"EndOfText", "ab", "", TokenKind::EndOfText, 0, ""},
    // Sections and declarations.
    {"CData", "", "<![CDATA[<y>]]>z", TokenKind::CData, 15, ""},
    {"CDataKeepsBracketsUntilTerminator", "", "<![CDATA[]>]]]>", TokenKind::CData, 15, ""},
    {"Comment", "", "<!-- <a> -- -->x", TokenKind::Comment, 15, ""},
    {"ShortestComment", "", "<!-->", TokenKind::Comment, 5, ""},
    {"ProcessingInstruction", "", "<?xml version='1.0'?>", TokenKind::ProcessingInstruction, 21, "xml"},
    // The look-back for "?>" only needs the '>' past offset 2 of the text, so "<?>" closes
    // itself everywhere but at the very start.
    {"ProcessingInstructionAtTextStart", "", "<?>?>", TokenKind::ProcessingInstruction, 5, ""},
    {"ProcessingInstructionLaterOn", "x", "<?>?>", TokenKind::ProcessingInstruction, 3, ""},
    {"Doctype", "", "<!DOCTYPE r>", TokenKind::Doctype, 12, ""},
    {"DoctypeWithInternalSubset", "", "<!DOCTYPE r [<!ENTITY e 'a>b'><!-- > --><?pi > ?>]>x", TokenKind::Doctype, 51,
     "pi"},
    {"DeclarationOutsideDoctype", "", "<!ELEMENT a (b)>", TokenKind::Doctype, 16, ""},
    // Malformed tokens; the message carries the token's start offset.
    {"BadNameCharacter", "xy", "<1>", TokenKind::Error, 3, "Incorrect tag name character at offset 2"},
    {"BadBangTag", "", "<!x>", TokenKind::Error, 4, "Incorrect ! tag at offset 0"},
    {"BadCommentTag", "", "<!-x>", TokenKind::Error, 5, "Incorrect comment tag at offset 0"},
    {"BadSectionTag", "", "<![x>", TokenKind::Error, 5, "Incorrect tag at offset 0"},
    {"DoctypeInsideDoctype", "", "<!DOCTYPE a [<!DOCTYPE b>]>", TokenKind::Doctype, 27, "Incorrect ! tag at offset 0"},
    {"MalformedTagEndsBeforeQuotedLessThan", "", "<1 '<a>", TokenKind::Error, 4,
     "Incorrect tag name character at offset 0"},
    {"UnterminatedComment", "ab", "<!-- c", TokenKind::Error, 6, "Comment at offset 2 unterminated"},
    {"UnterminatedStartTag", "", "<a x='>'", TokenKind::Error, 8, "Element tag at offset 0 unterminated"},
    {"UnterminatedEndTag", "", "</a", TokenKind::Error, 3, "Element end tag at offset 0 unterminated"},
    {"UnterminatedCData", "", "<![CDATA[x]>", TokenKind::Error, 12, "CDATA Section at offset 0 unterminated"},
    {"UnterminatedProcessingInstruction", "", "<?pi >", TokenKind::Error, 6,
     "Processing instruction at offset 0 unterminated"},
    {"UnterminatedDoctype", "", "<!DOCTYPE r [<!ENTITY e 'x'>", TokenKind::Error, 28,
     "Doctype at offset 0 unterminated"},
    {"UnterminatedDeclaration", "", "<!ENTITY", TokenKind::Error, 8, "Doctype at offset 0 unterminated"},
    {"LoneLessThan", "", "<", TokenKind::Error, 1, "tag at offset 0 unterminated"},
    {"UnterminatedMalformedTag", "", "<1abc", TokenKind::Error, 5, "tag at offset 0 unterminated"},
};

INSTANTIATE_TEST_SUITE_P(Tokens, ScanTokenTest, ::testing::ValuesIn(kTokenCases),
                         [](const auto& info) { return std::string{info.param.name}; });

TEST(ScanTokenTest, EndTagNameGoesToTheCursor)
{
    const std::string text = "<a></abc \t>";
    ScanCursor cursor;
    cursor.text = text.c_str();
    Token token;
    ASSERT_EQ(ScanToken(cursor, token), TokenKind::StartTag);
    ASSERT_EQ(ScanToken(cursor, token), TokenKind::EndTag);
    EXPECT_EQ(cursor.nameStart, 5);
    EXPECT_EQ(cursor.nameEnd, 7);
    EXPECT_EQ(token.length, 8);
}

std::vector<TokenKind> scanAll(const std::string& text)
{
    ScanCursor cursor;
    cursor.text = text.c_str();
    Token token;
    std::vector<TokenKind> kinds;
    for (;;) {
        const int before = cursor.next;
        const TokenKind kind = ScanToken(cursor, token);
        if (kind == TokenKind::EndOfText) {
            EXPECT_EQ(cursor.next, static_cast<int>(text.size()));
            return kinds;
        }
        // Tokens tile the text: each starts where the last ended and is never empty.
        EXPECT_EQ(token.start, before);
        EXPECT_GT(token.length, 0);
        kinds.push_back(kind);
    }
}

TEST(ScanTokenTest, DocumentScansIntoTilingTokens)
{
    using K = TokenKind;
    EXPECT_EQ(scanAll("<?xml version=\"1.0\"?>\r\n<r a='1'><b/>t&amp;<!--c--><![CDATA[x]]></r>"),
              (std::vector<K>{K::ProcessingInstruction, K::Whitespace, K::StartTag, K::StartTag, K::Text, K::Comment,
                              K::CData, K::EndTag}));
}

// Every prefix of a document is a text that ends somewhere inside a token; scanning it must
// still end, tile the prefix and never read past it (ASan checks the last part).
TEST(ScanTokenTest, EveryTruncationScansToTheEnd)
{
    const std::string document = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"v\"><!-- c -->]>\n"
                                 "<r><datarow id='1'><server_name>A &amp; B</server_name><!-- x -->"
                                 "<![CDATA[<raw>]]><server_addr>10.0.0.1</server_addr></datarow></r>";
    for (std::size_t length = 0; length <= document.size(); ++length) {
        SCOPED_TRACE(length);
        scanAll(document.substr(0, length));
    }
}

struct NameCase {
    const char* name;
    std::string input;
    bool found;
    int start;
    int end;
};

std::ostream& operator<<(std::ostream& out, const NameCase& c)
{
    return out << c.name;
}

class ScanNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ScanNameTest, FindsNameRange)
{
    const NameCase& c = GetParam();
    ScanCursor cursor;
    cursor.text = c.input.c_str();
    EXPECT_EQ(ScanName(cursor), c.found);
    EXPECT_EQ(cursor.nameStart, c.start);
    EXPECT_EQ(cursor.nameEnd, c.end);
    EXPECT_EQ(cursor.next, c.end + 1);
}

const NameCase kNameCases[] = {
    {"SkipsBlanks", " \t\r\nabc def", true, 4, 6},
    {"StopsAtEquals", "datarow=1", true, 0, 6},
    {"StopsAtEveryDelimiter", "a<b", true, 0, 0},
    {"StopsAtQuestionMark", "xml?>", true, 0, 2},
    {"LeadingDelimiterIsTheName", "  =x", true, 2, 2},
    {"LeadingSlashIsTheName", "/a", true, 0, 0},
    {"RunsToTheEnd", "server_addr", true, 0, 10},
    {"NothingButBlanks", "   ", false, 3, 2},
    {"EmptyText", "", false, 0, -1},
};

INSTANTIATE_TEST_SUITE_P(Names, ScanNameTest, ::testing::ValuesIn(kNameCases),
                         [](const auto& info) { return std::string{info.param.name}; });

} // namespace
} // namespace norvanta::xml
