#pragma once

#include <cstdint>

namespace norvanta::xml {

// What a scanned token is. The values are bit-distinct so callers may keep sets of kinds.
enum class TokenKind : std::int32_t {
    EndTag = 0,
    StartTag = 1,
    Text = 2,
    Whitespace = 4,
    CData = 8,
    ProcessingInstruction = 16,
    Comment = 32,
    Doctype = 64,
    Error = -1,
    EndOfText = -2,
};

} // namespace norvanta::xml
