// The single-byte Windows code pages text can be kept in (1252 Western, 1250 Eastern
// European, 1251 Cyrillic, 1253 Greek, 1254 Turkish, 1257 Baltic) and conversion to and
// from Unicode and UTF-8. Shared by the xBase engine (the table's text) and the report
// file (its text is Windows-1252).
//
// Bytes a code page leaves undefined decode to characters nobody types (the C1 control
// of the same number below 0xA0, the private-use character U+F700 + byte above), so that
// every byte survives a round trip.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace base {

inline constexpr int kDefaultCodePage = 1252;

// True for the code pages above.
bool KnownCodePage(int code_page);

// The character of one byte; an unknown code page is read as 1252.
char16_t ByteToUnicode(uint8_t byte, int code_page);
// The byte of one character; '?' when the code page cannot hold it.
char UnicodeToByte(uint32_t code_point, int code_page);

// The Windows-1252 forms of the two above.
char16_t Cp1252ToUnicode(uint8_t byte);
char UnicodeToCp1252(uint32_t code_point);

// Bytes of `code_page` to UTF-8.
std::string CodePageToUtf8(std::string_view bytes, int code_page);
// UTF-8 to bytes of `code_page`; a character the code page cannot hold, and any
// malformed UTF-8 sequence, becomes '?'.
std::string Utf8ToCodePage(std::string_view utf8, int code_page);

// The Windows-1252 forms of the two above.
std::string Cp1252ToUtf8(std::string_view bytes);
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace base
