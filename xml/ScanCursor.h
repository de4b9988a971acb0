#pragma once

#include <cstdint>

namespace norvanta::xml {

// The scanner's position in a NUL-terminated text shorter than 2 GiB. The scanner keeps
// no state of its own: everything it carries from one call to the next lives here.
struct ScanCursor {
    std::int32_t nameStart = 0; // first byte of the last name found
    std::int32_t nameEnd = -1;  // last byte of that name (inclusive); -1 when none
    std::int32_t next = 0;      // offset where the next token starts
    const char* text = "";      // the text, never null
};

} // namespace norvanta::xml
