#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvanta::platform {

// One REGEDIT4 text held line by line. Lines the store does not change (comments, other
// keys, unknown or malformed lines, the file's own spacing and line ends) are written
// back byte for byte; a changed value replaces only its own line.
class RegeditDocument {
public:
    struct Value {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        bool operator==(const Value&) const = default;
    };

    // A document holding only the "REGEDIT4" header line and a blank line.
    RegeditDocument();

    // The document for text, or nothing when text is not a REGEDIT4 file (missing header,
    // a NUL byte). Text of white space only gives an empty document.
    static std::optional<RegeditDocument> parse(std::string_view text);

    // True when a section for keyName (e.g. "HKEY_CURRENT_USER\SOFTWARE\X") exists;
    // names compare ASCII case-insensitively.
    bool hasKey(std::string_view keyName) const;

    // Appends an empty section for keyName unless one exists.
    void addKey(std::string_view keyName);

    // The last definition of the value in any section of keyName; nothing when absent or
    // when its last definition deletes it ("name"=-).
    std::optional<Value> findValue(std::string_view keyName, std::string_view valueName) const;

    // Sets the value, replacing its last definition or adding a line to the key's last
    // section (the key is added when missing). False, and nothing changed, when the name
    // holds a byte below 0x20 and cannot be written as a REGEDIT4 name.
    bool setValue(std::string_view keyName, std::string_view valueName, const Value& value);

    // Removes every definition of the value in the sections of keyName, so none of its
    // bytes stays in the text. Nothing happens when there is none.
    void deleteValue(std::string_view keyName, std::string_view valueName);

    // The whole text, ready to be written.
    std::string serialize() const;

    // The line end new lines use: the one of the file's first line ("\n" for new files).
    const std::string& newline() const { return m_newline; }

private:
    enum class Kind { Header, Blank, Comment, Section, Value, Deletion, Other };

    struct Line {
        std::string raw; // exact text, line end(s) included
        Kind kind = Kind::Other;
        std::string name; // section: key name; value/deletion: value name
        Value value;
        std::size_t section = kNoSection; // index of the owning section line
    };

    static constexpr std::size_t kNoSection = static_cast<std::size_t>(-1);

    bool sectionMatches(std::size_t index, std::string_view keyName) const;
    std::size_t lastSectionOf(std::string_view keyName) const;
    void ensureFinalNewline();

    std::vector<Line> m_lines;
    std::string m_newline = "\n";
};

} // namespace norvanta::platform
