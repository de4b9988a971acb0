#include "xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>

namespace norvanta::xml {
namespace {

struct TextCase {
    const char* name;
    std::string content; // what stands between <a> and </a>
    std::string expected;
};

std::ostream& operator<<(std::ostream& out, const TextCase& c)
{
    return out << c.name;
}

class ChildTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ChildTextTest, ReadsDecodedCharacterData)
{
    const TextCase& c = GetParam();
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText("<r><a>" + c.content + "</a></r>")) << doc.ErrorText();
    std::string text = "untouched";
    ASSERT_EQ(doc.ReadChildText("a", text), 1);
    EXPECT_EQ(text, c.expected);
    EXPECT_EQ(doc.ChildText(), c.expected);
}

const TextCase kTextCases[] = {
    {"PredefinedAndNumericReferences", "x &lt; y &amp;&#65;&#x42;", "x < y &AB"},
    {"AllFiveEntities", "&lt;&amp;&gt;&apos;&quot;", "<&>'\""},
    {"NulReferenceStaysAsWritten", "&#0;", "&#0;"},
    {"UnknownEntityStaysAsWritten", "&foo;", "&foo;"},
    {"EntityWithoutSemicolon", "&lt &amp", "&lt &amp"},
    {"LoneAmpersand", "a & b &", "a & b &"},
    {"UppercaseXIsNotHex", "&#X41;", "&#X41;"},
    {"TwoByteUtf8", "&#233;", "\xC3\xA9"},
    {"ThreeByteUtf8", "&#x20AC;", "\xE2\x82\xAC"},
    {"FourByteUtf8", "&#x1F600;", "\xF0\x9F\x98\x80"},
    {"SevenDigitsInReach", "&#x10FFFF;", "\xF4\x8F\xBF\xBF"},
    {"EightDigitsOutOfReach", "&#00000065;", "&#00000065;"},
    {"AboveUnicodeRange", "&#x110000;&#9999999;", "\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"Negative", "&#-1;&#x-41;", "\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"Surrogate", "&#xD800;", "\xEF\xBF\xBD"},
    {"NumberStopsAtFirstNonDigit", "&#65z;", "A"},
    {"Cp949BytesPassUnchanged", "\xBC\xAD\xBF\xEF 1", "\xBC\xAD\xBF\xEF 1"},
    {"BlanksKeptWithoutMarkup", "  x  ", "  x  "},
    {"Empty", "", ""},
    // With markup in the content, blank runs standing alone between markup are dropped,
    // comments and processing instructions give nothing, CDATA is kept raw.
    {"CommentsAndCData", " <!-- c --> x <![CDATA[<y>]]>", " x <y>"},
    {"CDataIsNotDecoded", "<![CDATA[&amp;]]>&amp;", "&amp;&"},
    {"ProcessingInstructionDropped", "x<?pi data?>y", "xy"},
    {"TextSplitAtGreaterThan", "a > <!---->b", "a >b"},
};

INSTANTIATE_TEST_SUITE_P(Content, ChildTextTest, ::testing::ValuesIn(kTextCases),
                         [](const auto& info) { return std::string{info.param.name}; });

TEST(ChildTextTest, ElementWithChildrenHasNoText)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText("<r><a>x<b/>y</a><c/></r>"));
    std::string text = "old";
    EXPECT_EQ(doc.ReadChildText("a", text), 1);
    EXPECT_EQ(text, "");
    EXPECT_EQ(doc.ReadChildText("c", text), 1);
    EXPECT_EQ(text, "");
}

TEST(ChildTextTest, NoChildGivesEmptyText)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText("<r>text</r>"));
    EXPECT_EQ(doc.ChildText(), "");
}

TEST(DecodeTextTest, ReferenceMustLieWithinTheInput)
{
    EXPECT_EQ(XmlDocument::DecodeText(std::string_view{"&lt;", 3}), "&lt");
    EXPECT_EQ(XmlDocument::DecodeText(std::string_view{"&#65;", 4}), "&#65");
    EXPECT_EQ(XmlDocument::DecodeText("&#;&#x;"), "&#;&#x;");
}

} // namespace
} // namespace norvanta::xml
