#pragma once

#include "xml/TokenKind.h"

#include <cstdint>
#include <string>

namespace norvanta::xml {

// One token found by ScanToken; it describes a byte range of the scanned text.
struct Token {
    // Flag bit: the start tag closes itself ("<a/>").
    static constexpr std::uint32_t EmptyElement = 0x10000;

    TokenKind kind = TokenKind::EndOfText;
    std::int32_t start = 0;  // offset of the token's first byte
    std::int32_t length = 0; // bytes in the token; 0 for EndOfText
    std::uint32_t flags = 0; // EmptyElement or 0
    std::string text;        // tag name of a start tag or processing instruction,
                             // the message of an Error token, else empty
};

} // namespace norvanta::xml
