#include "xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace norvanta::xml {
namespace {

struct ParseCase {
    const char* name;
    std::string input;
    bool wellFormed;
    std::string errorText;
    bool flaggedIllFormed; // record 0 carries the ill-formed bit
};

std::ostream& operator<<(std::ostream& out, const ParseCase& c)
{
    return out << c.name;
}

class LoadTextTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(LoadTextTest, ReportsWellFormednessAndFirstProblem)
{
    const ParseCase& c = GetParam();
    XmlDocument doc;
    EXPECT_EQ(doc.LoadText(c.input), c.wellFormed);
    EXPECT_EQ(doc.IsWellFormed(), c.wellFormed);
    EXPECT_EQ(doc.ErrorText(), c.errorText);
    EXPECT_EQ((doc.Element(0).flags & ElementRecord::IllFormed) != 0, c.flaggedIllFormed);
}

const ParseCase kParseCases[] = {
    {"EmptyText", "", false, "Empty document", false},
    {"EmptyElement", "<a/>", true, "", false},
    {"WithProlog", "<?xml version=\"1.0\"?>\r\n<!DOCTYPE r>\r\n<r><a x='>'/></r>\n<!-- end -->\n", true, "", false},
    {"EndTagWithBlanks", "<a></a \t>", true, "", false},
    {"StartNameSuffixMatchesEndTag", "<a=x></a>", true, "", false},
    {"UnquotedSlashLeavesElementOpen", "<a x=1/>", false, "Element 'a' at offset 0 not ended", true},
    {"EndTagClosesOuterElement", "<a><b></a>", false,
     "End tag 'a' at offset 6 does not match start tag 'b' at offset 3", true},
    {"EndTagWithoutStartTag", "<a></b></a>", false, "No start tag for end tag 'b' at offset 3", true},
    {"EndTagNameIsNotAPrefix", "<ab></a></ab>", false, "No start tag for end tag 'a' at offset 4", true},
    {"NamesAreCaseSensitive", "<A></a>", false, "No start tag for end tag 'a' at offset 3", true},
    {"SecondRoot", "<a></a><b/>", false, "Root element has sibling", false},
    {"TextOnly", "text only", false, "No root element", false},
    {"CommentOnly", "<!-- c -->", false, "No root element", false},
    // The root-level messages replace whatever came first.
    {"NoRootReplacesScannerMessage", "<1>", false, "No root element", true},
    {"SiblingReplacesNotEnded", "<a><b>", false, "Root element has sibling", true},
    {"UnterminatedComment", "<a><!-- x", false, "Comment at offset 3 unterminated", true},
    {"BadTagNameCharacter", "<a><1></a>", false, "Incorrect tag name character at offset 3", true},
    {"FirstStructureMessageKept", "<a></x><b></a>", false, "No start tag for end tag 'x' at offset 3", true},
};

INSTANTIATE_TEST_SUITE_P(Documents, LoadTextTest, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string{info.param.name}; });

// Children in document order, read through the records.
std::vector<std::string> childNames(const XmlDocument& doc, int parent)
{
    std::vector<std::string> names;
    for (int e = doc.Element(parent).firstChild; e != 0; e = doc.Element(e).next) {
        EXPECT_EQ(doc.Element(e).parent, parent);
        names.emplace_back(doc.ElementName(e));
    }
    return names;
}

TEST(XmlDocumentRecordsTest, EmptyElementTagRecord)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText("<a/>"));
    EXPECT_EQ(doc.ElementsInUse(), 2);
    const ElementRecord& a = doc.Element(1);
    EXPECT_EQ(a.start, 0);
    EXPECT_EQ(a.length, 4);
    EXPECT_EQ(a.startTagLength(), 4);
    EXPECT_EQ(a.endTagLength(), 0);
    EXPECT_EQ(a.flags, ElementRecord::FirstChild);
    EXPECT_EQ(doc.Element(0).length, 4);
    EXPECT_EQ(doc.Element(0).firstChild, 1);
}

TEST(XmlDocumentRecordsTest, RecordsDescribeTagsLevelsAndSiblingRing)
{
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText("<r><a>x</a ><b/><c></c></r>"));
    const ElementRecord& r = doc.Element(1);
    EXPECT_EQ(r.length, 27);
    EXPECT_EQ(r.startTagLength(), 3);
    EXPECT_EQ(r.endTagLength(), 4);
    const ElementRecord& a = doc.Element(2);
    EXPECT_EQ(a.start, 3);
    EXPECT_EQ(a.length, 9);
    EXPECT_EQ(a.endTagLength(), 5);
    EXPECT_EQ(a.level(), 1);
    EXPECT_EQ(a.previous, 4) << "the first child points back at the last";
    EXPECT_EQ(doc.Element(4).previous, 3);
    EXPECT_EQ(doc.Element(3).flags & ElementRecord::FirstChild, 0u);
    EXPECT_EQ(childNames(doc, 1), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(XmlDocumentRepairTest, InnerElementOfMismatchedEndTagIsNotEnded)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadText("<a><b></a>"));
    const ElementRecord& b = doc.Element(2);
    EXPECT_EQ(b.length, 3);
    EXPECT_EQ(b.endTagLength(), 0);
    EXPECT_NE(b.flags & ElementRecord::NotEnded, 0u);
    EXPECT_EQ(doc.Element(1).length, 10);
    EXPECT_EQ(doc.Element(1).endTagLength(), 4);
}

// Children of every element closed without its end tag move up to follow it, in document
// order, under the element the end tag did close.
TEST(XmlDocumentRepairTest, ChildrenOfUnclosedElementsFollowThem)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadText("<r><a><b><c>x</c><d/></r>"));
    EXPECT_EQ(doc.ErrorText(), "End tag 'r' at offset 21 does not match start tag 'b' at offset 6");
    EXPECT_EQ(childNames(doc, 1), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(doc.Element(2).firstChild, 0);
    EXPECT_EQ(doc.Element(3).firstChild, 0);
    EXPECT_EQ(doc.Element(doc.Element(1).firstChild).previous, 5);
    EXPECT_EQ(doc.Element(4).flags & ElementRecord::FirstChild, 0u);
    EXPECT_EQ(doc.Element(1).length, 25);
}

TEST(XmlDocumentRepairTest, OpenElementsAtTheEndBecomeTopLevelSiblings)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadText("<a><b><c/>"));
    EXPECT_EQ(doc.ErrorText(), "Root element has sibling");
    EXPECT_EQ(childNames(doc, 0), (std::vector<std::string>{"a", "b", "c"}));
    for (int e = 1; e <= 2; ++e) {
        EXPECT_NE(doc.Element(e).flags & ElementRecord::NotEnded, 0u);
        EXPECT_EQ(doc.Element(e).length, 3);
    }
}

TEST(XmlDocumentRepairTest, ProblemMarkMovesOutOfUnclosedElements)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadText("<r><a><b><1></r>"));
    EXPECT_NE(doc.Element(1).flags & ElementRecord::HasProblem, 0u);
    EXPECT_EQ(doc.Element(2).flags & ElementRecord::HasProblem, 0u);
    EXPECT_EQ(doc.Element(3).flags & ElementRecord::HasProblem, 0u);
}

TEST(XmlDocumentRepairTest, StrayEndTagMarksTheOpenElement)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadText("<r><a></x></a></r>"));
    EXPECT_NE(doc.Element(2).flags & ElementRecord::HasProblem, 0u);
    EXPECT_EQ(doc.Element(1).flags & ElementRecord::HasProblem, 0u);
    EXPECT_EQ(doc.Element(2).length, 11) << "the stray tag is ignored, </a> still closes a";
}

TEST(XmlDocumentLimitsTest, EndTagLengthFillsItsTenBits)
{
    XmlDocument doc;
    const std::string endTag = "</a" + std::string(1019, ' ') + ">";
    ASSERT_EQ(endTag.size(), 1023u);
    EXPECT_TRUE(doc.LoadText("<a>" + endTag));
    EXPECT_EQ(doc.Element(1).endTagLength(), 1023);
}

TEST(XmlDocumentLimitsTest, OverlongEndTagIsRefused)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadText("<r><a></a" + std::string(1021, ' ') + "></r>"));
    EXPECT_EQ(doc.ErrorText(), "Element end tag at offset 6 too long");
}

TEST(XmlDocumentLimitsTest, OverlongStartTagIsLeftOut)
{
    XmlDocument doc;
    const std::string tag = "<a" + std::string(ElementRecord::MaxStartTagLength, ' ') + "/>";
    EXPECT_FALSE(doc.LoadText("<r>" + tag + "</r>"));
    EXPECT_EQ(doc.ErrorText(), "Element tag at offset 3 too long");
    EXPECT_EQ(doc.ElementsInUse(), 2);
    EXPECT_EQ(doc.Element(1).firstChild, 0);
}

std::string nested(int depth)
{
    std::string text;
    for (int i = 0; i < depth; ++i) {
        text += "<e>";
    }
    for (int i = 0; i < depth; ++i) {
        text += "</e>";
    }
    return text;
}

TEST(XmlDocumentLimitsTest, NestingUpToTheLimitIsIndexed)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.LoadText(nested(XmlDocument::MaxDepth)));
    EXPECT_EQ(doc.Element(XmlDocument::MaxDepth).level(), XmlDocument::MaxDepth - 1);
}

TEST(XmlDocumentLimitsTest, DeeperNestingStopsTheParse)
{
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadText(nested(XmlDocument::MaxDepth + 1)));
    EXPECT_EQ(doc.ErrorText(), "Element 'e' at offset 768 nested too deeply");
    EXPECT_EQ(doc.ElementsInUse(), XmlDocument::MaxDepth + 1);
}

// Deep nesting followed by many end tags that match nothing must cost each end tag no more
// than the bounded depth; this finishes quickly instead of scanning a huge stack each time.
TEST(XmlDocumentLimitsTest, ManyStrayEndTagsUnderDeepNesting)
{
    std::string text;
    for (int i = 0; i < XmlDocument::MaxDepth; ++i) {
        text += "<e>";
    }
    for (int i = 0; i < 20000; ++i) {
        text += "</x>";
    }
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadText(text));
    // The innermost element took the marks; closing the chain at the end carried them out.
    EXPECT_NE(doc.Element(0).flags & ElementRecord::HasProblem, 0u);
    EXPECT_EQ(doc.Element(XmlDocument::MaxDepth).flags & ElementRecord::HasProblem, 0u);
}

TEST(XmlDocumentLoadTest, TextEndsAtFirstNul)
{
    XmlDocument doc;
    EXPECT_TRUE(doc.LoadText(std::string_view{"<a/>\0<b>", 8}));
    EXPECT_EQ(doc.Text(), "<a/>");
    std::string body{"<a/>\0<b>", 8};
    EXPECT_TRUE(doc.LoadText(std::move(body)));
    EXPECT_EQ(doc.Text(), "<a/>");
}

TEST(XmlDocumentLoadTest, NullTextIsEmpty)
{
    XmlDocument doc;
    EXPECT_EQ(doc.ErrorText(), "Empty document");
    EXPECT_FALSE(doc.LoadText(static_cast<const char*>(nullptr)));
    EXPECT_EQ(doc.ErrorText(), "Empty document");
    EXPECT_FALSE(doc.FindChild("a"));
}

TEST(XmlDocumentLoadTest, ReloadReplacesTreeAndKeepsTable)
{
    std::string big = "<r>";
    for (int i = 0; i < 5000; ++i) {
        big += "<i/>";
    }
    big += "</r>";
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadText(big));
    const int reserved = doc.ElementsReserved();
    EXPECT_FALSE(doc.LoadText("<a><b></a>"));
    EXPECT_EQ(doc.ElementsReserved(), reserved);
    EXPECT_TRUE(doc.LoadText("<x><y/></x>"));
    EXPECT_EQ(doc.ErrorText(), "");
    EXPECT_EQ(doc.ElementsInUse(), 3);
    EXPECT_EQ(childNames(doc, 1), (std::vector<std::string>{"y"}));
}

} // namespace
} // namespace norvanta::xml
