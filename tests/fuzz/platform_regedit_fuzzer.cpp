// Reads arbitrary bytes as the settings file and checks that what the store writes it reads
// back: a parsed file serialises to a text that parses to the same values, and a value set
// (any name, any type, any bytes) or deleted in it is found so, or absent, after writing
// and reading again, with every other value as it was.
//
// Input: one byte n, n bytes of value name, one byte picking the type, one byte m, m bytes
// of data, then the file's text.
#include "platform/linux/RegeditDocument.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace {

using norvanta::platform::RegeditDocument;

constexpr std::string_view kKey = "HKEY_CURRENT_USER\\Software\\Norvanta VPN";
constexpr std::string_view kOtherNames[] = {"UserID", "LastServer", ""};

void require(bool condition)
{
    if (!condition) {
        __builtin_trap();
    }
}

// Takes the next `count` bytes off the front of input; fewer when it runs out.
std::string_view take(std::string_view& input, std::size_t count)
{
    const std::string_view piece = input.substr(0, count);
    input.remove_prefix(piece.size());
    return piece;
}

std::size_t takeByte(std::string_view& input)
{
    const std::string_view byte = take(input, 1);
    return byte.empty() ? 0 : static_cast<unsigned char>(byte.front());
}

RegeditDocument writtenAndRead(const RegeditDocument& document)
{
    const std::string text = document.serialize();
    std::optional<RegeditDocument> reread = RegeditDocument::parse(text);
    require(reread.has_value());
    require(reread->serialize() == text);
    return *reread;
}

// Value names compare as the store compares them: ASCII letters in either case.
bool sameName(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// Every value of kOtherNames but the changed one reads the same in both.
void requireSameOthers(const RegeditDocument& before, const RegeditDocument& after,
                       std::optional<std::string_view> changed = std::nullopt)
{
    for (const std::string_view name : kOtherNames) {
        if (!changed || !sameName(name, *changed)) {
            require(before.findValue(kKey, name) == after.findValue(kKey, name));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input{reinterpret_cast<const char*>(data), size};
    const std::string_view name = take(input, takeByte(input));
    const std::uint32_t types[] = {1, 3, 4, 2, 7, 0x12345678};
    const std::uint32_t type = types[takeByte(input) % std::size(types)];
    const std::string_view bytes = take(input, takeByte(input));
    const RegeditDocument::Value value{type, {bytes.begin(), bytes.end()}};

    std::optional<RegeditDocument> document = RegeditDocument::parse(input);
    if (!document) {
        return 0;
    }
    const RegeditDocument original = *document;
    requireSameOthers(original, writtenAndRead(original));
    require(writtenAndRead(original).findValue(kKey, name) == original.findValue(kKey, name));

    if (document->setValue(kKey, name, value)) {
        const RegeditDocument reread = writtenAndRead(*document);
        require(reread.findValue(kKey, name) == value);
        requireSameOthers(original, reread, name);
    } else {
        require(document->serialize() == original.serialize());
    }
    document->deleteValue(kKey, name);
    const RegeditDocument reread = writtenAndRead(*document);
    require(!reread.findValue(kKey, name).has_value());
    requireSameOthers(original, reread, name);
    return 0;
}
