#include "platform/linux/RegeditDocument.h"

#include "platform/SettingsKey.h"

#include <gtest/gtest.h>

#include <string>

namespace norvanta::platform {

void PrintTo(const RegeditDocument::Value& value, std::ostream* out)
{
    *out << "type " << value.type << " bytes";
    for (const std::uint8_t byte : value.data) {
        *out << ' ' << static_cast<unsigned>(byte);
    }
}

} // namespace norvanta::platform

namespace {

using norvanta::platform::RegeditDocument;
namespace platform = norvanta::platform;

constexpr std::string_view kKey = "HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN";

RegeditDocument::Value text(std::string_view s)
{
    RegeditDocument::Value value{platform::kRegSz, {s.begin(), s.end()}};
    value.data.push_back(0);
    return value;
}

RegeditDocument::Value dword(std::uint32_t n)
{
    return {platform::kRegDword,
            {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n >> 16),
             static_cast<std::uint8_t>(n >> 24)}};
}

RegeditDocument parsed(std::string_view file)
{
    auto document = RegeditDocument::parse(file);
    EXPECT_TRUE(document.has_value()) << file;
    return document ? *document : RegeditDocument{};
}

struct Readable {
    const char* name;
    std::string file;
    std::optional<RegeditDocument::Value> userId; // what "UserID" reads as
};

void PrintTo(const Readable& readable, std::ostream* out)
{
    *out << readable.name;
}

class SettingsRegeditReadTest : public testing::TestWithParam<Readable> {};

TEST_P(SettingsRegeditReadTest, ReadsHandEditedFiles)
{
    const auto document = parsed(GetParam().file);
    EXPECT_EQ(document.findValue(kKey, "UserID"), GetParam().userId);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsRegeditReadTest,
    testing::Values(
        Readable{"AsWritten", "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"UserID\"=\"dGVzdA==\"\n",
                 text("dGVzdA==")},
        Readable{"CrLf", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\r\n\"UserID\"=\"YQ==\"\r\n",
                 text("YQ==")},
        Readable{"NoFinalNewline", "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"UserID\"=\"YQ==\"",
                 text("YQ==")},
        Readable{"OddSpacingAndCase",
                 "  regedit4  \n\n  [ hkey_current_user\\software\\norvanta vpn ]  \n\t\"userid\"  =\t\"YQ==\"  \n",
                 text("YQ==")},
        Readable{"Comments",
                 "REGEDIT4\n; saved by hand\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta "
                 "VPN]\n;\"UserID\"=\"old\"\n\"UserID\"=\"YQ==\"\n",
                 text("YQ==")},
        Readable{"Utf8Bom", "\xEF\xBB\xBFREGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"UserID\"=\"YQ==\"\n",
                 text("YQ==")},
        Readable{"LastDefinitionWins",
                 "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta "
                 "VPN]\n\"UserID\"=\"one\"\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"UserID\"=\"two\"\n",
                 text("two")},
        Readable{"DeletedValue",
                 "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"UserID\"=\"one\"\n\"UserID\"=-\n",
                 std::nullopt},
        Readable{"EscapesAndUnknownBackslash",
                 "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"UserID\"=\"a\\\"b\\\\c\\d\"\n",
                 text("a\"b\\c\\d")},
        Readable{"HexWithContinuation",
                 "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"UserID\"=hex(1):59,51,\\\n  3d,3d,00\n",
                 text("YQ==")},
        Readable{"ShortDword", "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"UserID\"=DWORD:1\n", dword(1)},
        Readable{"OtherKeyOnly", "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\n\"UserID\"=\"YQ==\"\n", std::nullopt},
        Readable{"ValueAfterBrokenHeader",
                 "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n[broken\n\"UserID\"=\"YQ==\"\n", std::nullopt},
        Readable{"TruncatedString",
                 "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"UserID\"=\"YQ=", std::nullopt},
        Readable{"GarbageLineSkipped",
                 "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\nnot a value\n\"UserID\"=\"YQ==\"\n",
                 text("YQ==")},
        Readable{"WhiteSpaceOnly", " \r\n\t\n", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

class SettingsRegeditRejectTest : public testing::TestWithParam<std::string> {};

TEST_P(SettingsRegeditRejectTest, RefusesWhatIsNotARegedit4File)
{
    EXPECT_FALSE(RegeditDocument::parse(GetParam()).has_value());
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsRegeditRejectTest,
                         testing::Values(std::string("REGED"),
                                         std::string("[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n"),
                                         std::string("Windows Registry Editor Version 5.00\r\n"),
                                         std::string("REGEDIT4\n\"UserID\"=\"a") + '\0' + "b\"\n",
                                         std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));

// Writing one value changes only its own line: comments, other keys, unknown values,
// spacing and CRLF line ends survive byte for byte.
TEST(SettingsRegeditDocumentTest, RewriteKeepsEverythingElse)
{
    const std::string before = "REGEDIT4\r\n"
                               "; kept\r\n"
                               "\r\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n"
                               "\"Mine\"=hex(7):41,00,00\r\n"
                               "\r\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\r\n"
                               "  \"Ver\" = \"1.0.2\"\r\n"
                               "\"Future\"=dword:0000002a\r\n"
                               "junk we do not understand\r\n"
                               "\r\n";
    auto document = parsed(before);
    ASSERT_TRUE(document.setValue(kKey, "ver", text("1.0.3")));
    ASSERT_TRUE(document.setValue(kKey, "UserID", text("YQ==")));
    const std::string after = "REGEDIT4\r\n"
                              "; kept\r\n"
                              "\r\n"
                              "[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n"
                              "\"Mine\"=hex(7):41,00,00\r\n"
                              "\r\n"
                              "[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\r\n"
                              "\"Ver\"=\"1.0.3\"\r\n"
                              "\"Future\"=dword:0000002a\r\n"
                              "junk we do not understand\r\n"
                              "\"UserID\"=\"YQ==\"\r\n"
                              "\r\n";
    EXPECT_EQ(document.serialize(), after);
    EXPECT_EQ(document.findValue("HKEY_CURRENT_USER\\SOFTWARE\\Other", "Mine"),
              (RegeditDocument::Value{7, {0x41, 0, 0}}));
}

// Erasing a value removes every definition of it in the key's sections (a copied section
// would otherwise bring the old bytes back), and nothing else; later writes still find
// their sections.
TEST(SettingsRegeditDocumentTest, DeletedValueLeavesNoCopyAndEverythingElse)
{
    auto document = parsed("REGEDIT4\n\n"
                           "[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"UserPW\"=\"b2xk\"\n\"Ver\"=\"1\"\n\n"
                           "[HKEY_CURRENT_USER\\SOFTWARE\\Other]\n\"UserPW\"=\"keep\"\n\n"
                           "[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"userpw\"=-\n\"USERPW\"=\"b2xk\"\n");
    document.deleteValue(kKey, "UserPW");
    ASSERT_TRUE(document.setValue(kKey, "Ver", text("2")));
    ASSERT_TRUE(document.setValue("HKEY_CURRENT_USER\\SOFTWARE\\Other", "New", dword(1)));
    EXPECT_EQ(document.serialize(),
              "REGEDIT4\n\n"
              "[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"Ver\"=\"2\"\n\n"
              "[HKEY_CURRENT_USER\\SOFTWARE\\Other]\n\"UserPW\"=\"keep\"\n\"New\"=dword:00000001\n\n"
              "[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n");
    EXPECT_EQ(document.findValue(kKey, "UserPW"), std::nullopt);
}

// A hand-cut line that ends in a backslash joins the hex bytes on the line after it when
// the file is read; removing the value between them must not make the two one value.
TEST(SettingsRegeditDocumentTest, DeletionNeverJoinsTheLinesAroundIt)
{
    auto document = parsed("REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n"
                           "\"UserID\"=hex:\\\n\"UserID\"=\"x\"\n01,02\n");
    document.deleteValue(kKey, "UserID");
    EXPECT_EQ(parsed(document.serialize()).findValue(kKey, "UserID"), std::nullopt) << document.serialize();
}

TEST(SettingsRegeditDocumentTest, NewKeyIsAppendedAfterABlankLine)
{
    auto document = parsed("REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\n\"A\"=\"b\"");
    ASSERT_TRUE(document.setValue(kKey, "UserIDSave", dword(1)));
    EXPECT_EQ(document.serialize(), "REGEDIT4\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\n\"A\"=\"b\"\n\n"
                                    "[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\n\"UserIDSave\"=dword:00000001\n\n");
}

struct Written {
    const char* name;
    std::string valueName;
    RegeditDocument::Value value;
    std::string line;
};

void PrintTo(const Written& written, std::ostream* out)
{
    *out << written.name;
}

class SettingsRegeditWriteTest : public testing::TestWithParam<Written> {};

// Each value is written the way regedit writes it and reads back as the same bytes.
TEST_P(SettingsRegeditWriteTest, WritesAndRereadsExactly)
{
    RegeditDocument document;
    ASSERT_TRUE(document.setValue(kKey, GetParam().valueName, GetParam().value));
    const std::string file = document.serialize();
    EXPECT_NE(file.find("\n" + GetParam().line + "\n"), std::string::npos) << file;
    EXPECT_EQ(parsed(file).findValue(kKey, GetParam().valueName), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsRegeditWriteTest,
    testing::Values(Written{"Dword", "UserIDSave", dword(0xDEADBEEF), "\"UserIDSave\"=dword:deadbeef"},
                    Written{"QuotesAndBackslashes", "Ver", text("say \"a\\b\""), "\"Ver\"=\"say \\\"a\\\\b\\\"\""},
                    Written{"Cp949BytesRaw", "UserID", text("\xbe\xc8\xb3\xe7"), "\"UserID\"=\"\xbe\xc8\xb3\xe7\""},
                    Written{"QuotedName", "a\"b\\", text("x"), "\"a\\\"b\\\\\"=\"x\""},
                    Written{"DefaultValue", "", text("x"), "@=\"x\""},
                    Written{"ControlBytesAsHex", "Ver", text("a\nb"), "\"Ver\"=hex(1):61,0a,62,00"},
                    Written{"StringWithoutNul", "Ver", {platform::kRegSz, {0x61}}, "\"Ver\"=hex(1):61"},
                    Written{"EmbeddedNul", "Ver", {platform::kRegSz, {0x61, 0, 0x62, 0}}, "\"Ver\"=hex(1):61,00,62,00"},
                    Written{"Binary", "Blob", {platform::kRegBinary, {0x00, 0xff}}, "\"Blob\"=hex:00,ff"},
                    Written{"EmptyBinary", "Blob", {platform::kRegBinary, {}}, "\"Blob\"=hex:"},
                    Written{"ShortDword", "N", {platform::kRegDword, {1, 2}}, "\"N\"=hex(4):01,02"},
                    Written{"LargeType", "T", {0x12345, {7}}, "\"T\"=hex(12345):07"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsRegeditDocumentTest, RefusesNamesThatCannotBeWritten)
{
    RegeditDocument document;
    const std::string before = document.serialize();
    EXPECT_FALSE(document.setValue(kKey, "two\nlines", text("x")));
    EXPECT_FALSE(document.setValue(kKey, std::string("nul\0", 4), text("x")));
    EXPECT_EQ(document.serialize(), before);
}

// Cutting a file anywhere never crashes the parser, and a value written into whatever
// could be read is found again with the file's other values.
TEST(SettingsRegeditDocumentTest, EveryTruncationParsesOrIsRefused)
{
    const std::string full = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvanta VPN]\r\n"
                             "\"Ver\"=\"1.0.3\"\r\n\"UserIDSave\"=dword:00000001\r\n"
                             "\"Blob\"=hex:01,02,\\\r\n  03\r\n\"UserID\"=\"dGVzdA==\"\r\n";
    for (std::size_t length = 0; length <= full.size(); ++length) {
        auto document = RegeditDocument::parse(std::string_view(full).substr(0, length));
        if (!document) {
            continue;
        }
        const auto ver = document->findValue(kKey, "Ver");
        ASSERT_TRUE(document->setValue(kKey, "UserPW", text("cHc=")));
        const auto reread = RegeditDocument::parse(document->serialize());
        ASSERT_TRUE(reread.has_value()) << length;
        EXPECT_EQ(reread->findValue(kKey, "UserPW"), text("cHc=")) << length;
        EXPECT_EQ(reread->findValue(kKey, "Ver"), ver) << length;
    }
}

} // namespace
