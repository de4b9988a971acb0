#include "platform/CodePage.h"

#include "platform/common/Utf8Piece.h"

#include "platform/win32/WindowsApi.h"

namespace norvanta::platform {
namespace {

// The Windows code page 949 itself (unified Hangul code), the table the system and Wine
// carry; Qt without ICU has no converter for it.
constexpr UINT kCp949 = 949;
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// Converts bytes of codePage to UTF-16; nothing when any byte sequence is invalid.
std::optional<std::wstring> wideFrom(UINT codePage, std::string_view bytes)
{
    if (bytes.empty()) {
        return std::wstring();
    }
    const int length = static_cast<int>(bytes.size());
    const int needed = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (needed <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, wide.data(), needed);
    return wide;
}

// UTF-16 to UTF-8. The input always comes from a checked MultiByteToWideChar, so it
// holds no unpaired surrogate (WC_ERR_INVALID_CHARS is newer than the XP level
// we build at).
std::optional<std::string> utf8From(std::wstring_view wide)
{
    if (wide.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(wide.size());
    const int needed = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, bytes.data(), needed, nullptr, nullptr);
    return bytes;
}

// UTF-16 to CP949; nothing when a character has no CP949 form (no best-fit guesses).
std::optional<std::string> cp949From(std::wstring_view wide)
{
    if (wide.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int needed =
        ::WideCharToMultiByte(kCp949, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr, &usedDefault);
    if (needed <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(kCp949, WC_NO_BEST_FIT_CHARS, wide.data(), length, bytes.data(), needed, nullptr,
                          &usedDefault);
    return usedDefault ? std::nullopt : std::optional<std::string>(std::move(bytes));
}

std::optional<std::string> exactConvert(UINT from, std::string_view bytes, bool toCp949)
{
    const auto wide = wideFrom(from, bytes);
    if (!wide) {
        return std::nullopt;
    }
    return toCp949 ? cp949From(*wide) : utf8From(*wide);
}

bool isCp949LeadByte(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

} // namespace

std::string utf8FromCp949(std::string_view cp949)
{
    // One character at a time, so that a bad byte costs only itself: a lead byte whose
    // pair is invalid becomes U+FFFD and the byte after it is read afresh.
    std::string output;
    output.reserve(cp949.size() * 3 / 2);
    while (!cp949.empty()) {
        const auto lead = static_cast<unsigned char>(cp949.front());
        const std::size_t width = isCp949LeadByte(lead) && cp949.size() >= 2 ? 2 : 1;
        const auto converted = exactConvert(kCp949, cp949.substr(0, width), false);
        if (converted && !converted->empty()) {
            output += *converted;
            cp949.remove_prefix(width);
        } else {
            output += kReplacementUtf8;
            cp949.remove_prefix(1);
        }
    }
    return output;
}

std::string cp949FromUtf8(std::string_view utf8)
{
    std::string output;
    output.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::size_t piece = std::min(utf8.size(), nextUtf8Piece(utf8));
        const auto converted = exactConvert(CP_UTF8, utf8.substr(0, piece), true);
        output += converted ? *converted : std::string("?");
        utf8.remove_prefix(piece);
    }
    return output;
}

std::optional<std::string> exactUtf8FromCp949(std::string_view cp949)
{
    return exactConvert(kCp949, cp949, false);
}

std::optional<std::string> exactCp949FromUtf8(std::string_view utf8)
{
    return exactConvert(CP_UTF8, utf8, true);
}

} // namespace norvanta::platform
