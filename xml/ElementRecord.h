#pragma once

#include <cstdint>

namespace norvanta::xml {

// Where one element lies in the document text and how it links into the tree. Indices
// name records of the same document; record 0 stands for the document itself.
struct ElementRecord {
    static constexpr std::uint32_t LevelMask = 0xFFFF;
    static constexpr std::uint32_t FirstChild = 0x80000;          // first child of its parent
    static constexpr std::uint32_t NotEnded = 0x100000;           // closed without its end tag
    static constexpr std::uint32_t HasProblem = 0x200000;         // a parse problem lies inside
    static constexpr std::uint32_t IllFormed = 0x800000;          // record 0 only
    static constexpr std::uint32_t StartTagLengthMask = 0x3FFFFF; // low 22 bits
    static constexpr int EndTagLengthShift = 22;                  // high 10 bits
    static constexpr std::int32_t MaxStartTagLength = 0x3FFFFF;
    static constexpr std::int32_t MaxEndTagLength = 0x3FF;

    std::int32_t start;       // offset of the start tag's '<' (record 0: 0)
    std::int32_t length;      // start tag through end tag; record 0: the text's length
    std::uint32_t tagLengths; // start-tag length | end-tag length << 22
    std::uint32_t flags;      // level in the low 16 bits plus the bits above
    std::int32_t parent;      // 0 for top-level elements
    std::int32_t firstChild;  // 0 when none; record 0: the root element
    std::int32_t next;        // next sibling, 0 for the last
    std::int32_t previous;    // previous sibling; the first child holds the last child

    // Length of the start tag, '<' to '>' inclusive.
    std::int32_t startTagLength() const { return static_cast<std::int32_t>(tagLengths & StartTagLengthMask); }
    // Length of the end tag, blanks included; 0 for an empty-element tag or a not-ended one.
    std::int32_t endTagLength() const { return static_cast<std::int32_t>(tagLengths >> EndTagLengthShift); }
    // Nesting level: 0 for a top-level element.
    std::int32_t level() const { return static_cast<std::int32_t>(flags & LevelMask); }
};

static_assert(sizeof(ElementRecord) == 32, "an element costs eight 32-bit fields");

} // namespace norvanta::xml
