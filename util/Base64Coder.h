#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// Base64 (RFC 4648 alphabet, '=' padding) between a raw byte buffer and a text buffer.
// Encoding never breaks lines; decoding never rejects input: it skips bytes 7-13 and
// space, reads a byte with its high bit set as the same byte without it, and decodes
// anything outside the alphabet by fixed rules (see DecodeRange).
//
// Both buffers are zero-filled beyond their used length and always hold at least one
// byte more than that, so each reads as a NUL-terminated string. Pointers returned by
// EncodeToOutput, DecodeToOutput, RawBytes and Base64Text belong to the coder and stay
// valid until its next operation or its destruction; before the first operation they
// point at an empty string, never at null.
class Base64Coder {
public:
    Base64Coder();
    virtual ~Base64Coder();
    Base64Coder(const Base64Coder&) = delete;
    Base64Coder& operator=(const Base64Coder&) = delete;

    // EncodeRange over text up to its NUL; does nothing for null.
    virtual void EncodeNulTerminated(const char* text);
    // Encodes length bytes: raw = the bytes, text = 4 * ceil(length / 3) characters.
    // Null bytes with a non-zero length do nothing.
    virtual void EncodeRange(const char* bytes, std::size_t length);
    // DecodeRange over text up to its NUL; does nothing for null.
    virtual void DecodeNulTerminated(const char* text);
    // Decodes: text = the bytes minus skipped ones; raw gets 3 bytes per 4 characters and
    // RawLength() grows by 3 per full group and by the count of 1-3 trailing characters.
    // '=' counts 0 in a group's last two places and 63 in its first two; a byte outside
    // the alphabet counts 62. Padding places give zero bytes, so the raw buffer reads as
    // the decoded string up to its first zero byte. Null bytes with a non-zero length do
    // nothing.
    virtual void DecodeRange(const char* bytes, std::size_t length);
    // EncodeNulTerminated(text), then Base64Text(). The mode is ignored (callers pass 0);
    // a null text leaves the buffers as they were.
    virtual const char* EncodeToOutput(const char* text, int mode);
    // DecodeNulTerminated(text), then RawBytes(); a null text leaves the buffers as they were.
    virtual const char* DecodeToOutput(const char* text);
    // The raw buffer (the input of an encode, the output of a decode).
    virtual const char* RawBytes() const;
    // The text buffer (the output of an encode, the filtered input of a decode).
    virtual const char* Base64Text() const;
    // Makes the text buffer hold more than size bytes (see the reservation rule in
    // the .cpp), zero-fills all of it and sets its length to 0. Never shrinks.
    virtual void ReserveText(std::size_t size);
    // The same for the raw buffer.
    virtual void ReserveRaw(std::size_t size);
    // ReserveText(length), then appends every byte for which IsSkipped is false.
    virtual void LoadBase64(const char* bytes, std::size_t length);
    // ReserveRaw(length), copies the bytes, RawLength() = length.
    virtual void LoadRaw(const char* bytes, std::size_t length);
    // Writes the 4 characters for the first count (1-3) bytes of group (the rest must be
    // zero): alphabet characters, then '=' for the places past the count.
    virtual void EncodeQuantum(const std::array<std::uint8_t, 3>& group, unsigned count, std::span<char, 4> output);
    // JoinQuantum(values) written as 3 bytes to output.
    virtual void DecodeQuantum(const std::array<std::uint8_t, 4>& values, std::span<char, 3> output);
    // Bytes x, y, z as four 6-bit values.
    virtual std::array<std::uint8_t, 4> SplitQuantum(std::uint8_t x, std::uint8_t y, std::uint8_t z) const;
    // Four values back into 3 bytes; only the low 6 bits of each value count.
    virtual std::array<std::uint8_t, 3> JoinQuantum(std::uint8_t a, std::uint8_t b, std::uint8_t c,
                                                    std::uint8_t d) const;
    // True for bytes 7 to 13 and for space.
    virtual bool IsSkipped(std::uint8_t byte) const;

    // Bytes in use in each buffer, and bytes allocated for it.
    std::size_t RawLength() const { return m_rawLength; }
    std::size_t TextLength() const { return m_textLength; }
    std::size_t RawCapacity() const { return m_rawCapacity; }
    std::size_t TextCapacity() const { return m_textCapacity; }

    // The decoding table shared by every coder: 0xFE for bytes outside the alphabet, the
    // alphabet index for each alphabet byte and for it with the high bit set, 0xFF for
    // '=' and 0xBD.
    static const std::array<std::uint8_t, 256>& DecodingTable();

private:
    bool reserve(std::unique_ptr<char[]>& buffer, std::size_t& capacity, std::size_t& length, std::size_t size);
    void decodeGroup(std::array<std::uint8_t, 4> values);

    std::unique_ptr<char[]> m_rawBuffer;
    std::unique_ptr<char[]> m_textBuffer;
    std::size_t m_rawCapacity = 0;
    std::size_t m_textCapacity = 0;
    std::size_t m_rawLength = 0;
    std::size_t m_textLength = 0;
};
