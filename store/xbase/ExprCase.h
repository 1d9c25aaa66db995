// Upper and lower case of Windows-1252 text, byte for byte.
//
// The table's text is Windows-1252. Besides the ASCII letters, the accented Latin-1
// letters 0xE0-0xFE (except 0xF7, the division sign) map to 0xC0-0xDE (except 0xD7,
// the multiplication sign), and the four letters in the 0x80-0x9F block pair up:
// 0x9A/0x8A, 0x9C/0x8C, 0x9E/0x8E, 0xFF/0x9F. Every other byte is left alone, so a
// conversion never changes the length.
#pragma once

#include <cstddef>
#include <cstdint>

namespace xbase {

uint8_t UpperByte(uint8_t c);
uint8_t LowerByte(uint8_t c);

// Writes the converted `n` bytes of `in` to `out`; `out` may equal `in`.
void UpperCopy(const uint8_t* in, size_t n, uint8_t* out);
void LowerCopy(const uint8_t* in, size_t n, uint8_t* out);

}  // namespace xbase
