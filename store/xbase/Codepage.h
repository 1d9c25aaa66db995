// The code page marks of the table header that name the code pages of base/CodePage.h,
// and those code pages' conversions under the engine's own names.
#pragma once

#include <cstdint>

#include "base/CodePage.h"

namespace xbase {

using base::ByteToUnicode;
using base::CodePageToUtf8;
using base::Cp1252ToUnicode;
using base::Cp1252ToUtf8;
using base::kDefaultCodePage;
using base::KnownCodePage;
using base::UnicodeToByte;
using base::UnicodeToCp1252;
using base::Utf8ToCodePage;
using base::Utf8ToCp1252;

// The code page a header mark names; 1252 for 0 (not marked) and marks this engine does
// not know.
int CodePageOfMark(uint8_t mark);
// The header mark of a code page; the 1252 mark for a code page this engine does not know.
uint8_t MarkOfCodePage(int code_page);

}  // namespace xbase
