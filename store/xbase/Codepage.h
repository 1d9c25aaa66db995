// Conversion between the tables' single-byte code page (Windows-1252, code page mark 0x03)
// and UTF-8, for tools that exchange text with the outside world.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xbase {

// The character of one Windows-1252 byte. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) give the C1 control characters of the same number.
char16_t Cp1252ToUnicode(uint8_t byte);

// The Windows-1252 byte of one character; '?' when the code page cannot hold it.
char UnicodeToCp1252(uint32_t code_point);

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined are kept as
// the C1 control characters of the same number.
std::string Cp1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252; a character the code page cannot hold, and any malformed UTF-8
// sequence, becomes '?'.
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace xbase
