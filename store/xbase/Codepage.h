// Conversion between the tables' single-byte code page (Windows-1252, code page mark 0x03)
// and UTF-8, for tools that exchange text with the outside world.
#pragma once

#include <string>
#include <string_view>

namespace xbase {

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined are kept as
// the C1 control characters of the same number.
std::string Cp1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252; a character the code page cannot hold, and any malformed UTF-8
// sequence, becomes '?'.
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace xbase
