// Upper and lower case of single-byte text, byte for byte, in the table's code page.
//
// Besides the ASCII letters, each code page's own letters pair up as Unicode pairs them
// (in Windows-1252 the accented Latin-1 letters and the four letters of the 0x80-0x9F
// block: 0x9A/0x8A, 0x9C/0x8C, 0x9E/0x8E, 0xFF/0x9F). A letter whose other case the code
// page does not hold, or which is more than one letter (German sharp s), is left alone,
// so a conversion never changes the length.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/xbase/Codepage.h"

namespace xbase {

// An unknown code page converts as Windows-1252.
uint8_t UpperByte(uint8_t c, int code_page = kDefaultCodePage);
uint8_t LowerByte(uint8_t c, int code_page = kDefaultCodePage);

// Writes the converted `n` bytes of `in` to `out`; `out` may equal `in`.
void UpperCopy(const uint8_t* in, size_t n, uint8_t* out, int code_page = kDefaultCodePage);
void LowerCopy(const uint8_t* in, size_t n, uint8_t* out, int code_page = kDefaultCodePage);

}  // namespace xbase
