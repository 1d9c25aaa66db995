// The single-byte Windows code pages a table's text can be in (1252 Western, 1250 Eastern
// European, 1251 Cyrillic, 1253 Greek, 1254 Turkish, 1257 Baltic), the code page marks
// of the table header that name them, and conversion to and from Unicode and UTF-8.
//
// Bytes a code page leaves undefined decode to characters nobody types (the C1 control
// of the same number below 0xA0, the private-use character U+F700 + byte above), so that
// every byte survives a round trip.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xbase {

inline constexpr int kDefaultCodePage = 1252;

// True for the code pages above.
bool KnownCodePage(int code_page);
// The code page a header mark names; 1252 for 0 (not marked) and marks this engine does
// not know.
int CodePageOfMark(uint8_t mark);
// The header mark of a code page; the 1252 mark for a code page this engine does not know.
uint8_t MarkOfCodePage(int code_page);

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

}  // namespace xbase
