#pragma once

#include <string_view>

namespace norvanta::platform::ras {

// True when two entry names are equal ignoring the case of ASCII letters. Names are CP949:
// the trail byte of a double-byte character is compared exactly, because folding it would
// make two different Hangul characters equal.
bool sameEntryName(std::string_view a, std::string_view b);

// True for a name a phonebook can hold: 1 to 256 bytes, not starting with '.', without
// control characters or square brackets.
bool isValidEntryName(std::string_view name);

} // namespace norvanta::platform::ras
