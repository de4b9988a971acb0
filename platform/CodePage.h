#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace norvanta::platform {

// Text inside the client is CP949: the Windows code page 949 (unified Hangul code, all
// 11,172 syllables), never the IBM code page of the same number, which garbles the
// extended syllables (똠 is 8C 63). These are the only conversions between it and UTF-8,
// used by the window, the dialers and the tests alike.

// Lenient forms, for text that is shown or compared: every byte that does not start a
// valid CP949 character becomes U+FFFD; every character CP949 cannot hold becomes '?'
// (as do bytes that are not valid UTF-8).
std::string utf8FromCp949(std::string_view cp949);
std::string cp949FromUtf8(std::string_view utf8);

// Exact forms, for text that must arrive unchanged (credentials, addresses): nothing when
// a single byte or character cannot be converted.
std::optional<std::string> exactUtf8FromCp949(std::string_view cp949);
std::optional<std::string> exactCp949FromUtf8(std::string_view utf8);

} // namespace norvanta::platform
