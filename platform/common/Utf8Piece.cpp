#include "platform/common/Utf8Piece.h"

namespace norvanta::platform {
namespace {

// Bytes in the UTF-8 character that starts with `lead`; 1 for a byte that cannot start one.
std::size_t utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    if (lead >= 0xE0) {
        return lead <= 0xEF ? 3 : 1;
    }
    return lead >= 0xC2 ? 2 : 1;
}

} // namespace

std::size_t nextUtf8Piece(std::string_view rest)
{
    const std::size_t length = utf8SequenceLength(static_cast<unsigned char>(rest.front()));
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= rest.size() || (static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) {
            return i;
        }
    }
    return length;
}

} // namespace norvanta::platform
