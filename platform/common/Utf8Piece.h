#pragma once

#include <cstddef>
#include <string_view>

namespace norvanta::platform {

// The bytes of the next UTF-8 piece of a non-empty `rest`: a whole character, or the
// invalid prefix to skip as one unconvertible piece. Both code-page sides replace such a
// piece with a single '?'.
std::size_t nextUtf8Piece(std::string_view rest);

} // namespace norvanta::platform
