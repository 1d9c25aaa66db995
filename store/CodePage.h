// Conversion between the task table's single-byte text (Windows-1252, code page mark 0x03)
// and QString, where the store meets the windows.
#pragma once

#include <QString>
#include <string>
#include <string_view>

// Decodes Windows-1252 bytes. The five bytes the code page leaves unassigned (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the control characters of the same number, so that every byte
// survives a round trip.
QString FromCp1252(std::string_view bytes);

// Encodes text as Windows-1252. A character the code page cannot hold is stored as "?"
// (one "?" for a character outside the basic plane, not one per surrogate).
std::string ToCp1252(const QString& text);
