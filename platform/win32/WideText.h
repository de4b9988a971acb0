#pragma once

#include <string>
#include <string_view>

namespace norvanta::platform::win32 {

// UTF-8 to and from the UTF-16 the W functions take. Invalid input is replaced rather
// than refused: these serve paths and names the system handed us or that we made.
std::wstring wideFromUtf8(std::string_view utf8);
std::string utf8FromWide(std::wstring_view wide);

} // namespace norvanta::platform::win32
