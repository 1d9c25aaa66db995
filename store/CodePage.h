// Conversion between a task table's single-byte text and QString, where the store meets
// the windows. A table's code page is named by its Windows number (1252 Western, the
// default); text is decoded and encoded with it.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "store/xbase/Codepage.h"

class QLocale;

// The code page of tables that name none, and of Western locales.
using xbase::kDefaultCodePage;

// The single-byte Windows code page of a locale's language: 1250 for the Central European
// languages written in Latin letters, 1251 for those written in Cyrillic, 1253 Greek,
// 1254 Turkish and Azerbaijani and Uzbek in Latin letters, 1257 Estonian, Latvian and
// Lithuanian; 1252 for every other language.
int CodePageForLocale(const QLocale& locale);

// Decodes Windows-1252 bytes. The five bytes the code page leaves unassigned (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the control characters of the same number, so that every byte
// survives a round trip.
QString FromCp1252(std::string_view bytes);

// Encodes text as Windows-1252. A character the code page cannot hold is stored as "?"
// (one "?" for a character outside the basic plane, not one per surrogate).
std::string ToCp1252(const QString& text);

// Decodes bytes of code page `code_page`; an unknown code page decodes as Windows-1252.
QString FromCodePage(std::string_view bytes, int code_page);

// Encodes text in code page `code_page` (an unknown one as Windows-1252); a character the
// code page cannot hold becomes one "?".
std::string ToCodePage(const QString& text, int code_page);

// The characters of `text` that code page `code_page` cannot hold, each once, in the
// order they first appear (a character outside the basic plane as one character).
QString UnstorableCharacters(const QString& text, int code_page);
