// ReportFileFormat: the on-disk constants of the report file, shared by the writer
// (TReportFiler) and every reader (TFilePrinter and its descendants). The codes, offsets
// and widths below are fixed by the file format: never change them.
//
// A report file is one file header, then one page record per written page, nothing else.
// All fields are little-endian, unaligned, without padding. Kinds of fields:
//   byte  1   unsigned; booleans 0 or 1
//   short 2   signed 16-bit
//   int   4   signed 32-bit; colours red in the lowest byte, top bit set = system colour
//   real  4   IEEE-754 single precision; lengths in inches
//   text  1+n one length byte n (0..255), n bytes of Windows-1252 text, no terminator
//   point 8   real X, real Y (page inches from the paper's left and top edges, origin added)
//   rect  16  point (left, top), point (right, bottom)
//   graphic 5+n  byte kind, int n, n bytes (a bitmap in BMP file layout)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/ByteOrder.h"
#include "base/CodePage.h"

namespace report_file {

// ---- field widths
inline constexpr int kByteSize = 1;
inline constexpr int kShortSize = 2;
inline constexpr int kIntSize = 4;
inline constexpr int kRealSize = 4;
inline constexpr int kPointSize = 2 * kRealSize;
inline constexpr int kRectSize = 2 * kPointSize;
inline constexpr int kMaxTextLength = 255;       // the length is one byte
inline constexpr int kGraphicHeaderSize = 1 + kIntSize;

// ---- the plain ops: a drawing call whose operands are only points and reals, the numbers of
// its call in layout order (a point takes two), recorded as they come and played back by the
// public drawing method of the same name. One line each: name, code byte, layout, count of
// numbers. Each also stands in the op list above, and makes its output hook (Out<Name>
// taking that many doubles), the report file writer's hook body and the player's case: a new
// plain op is its line here, its public drawing method and its drawing on the canvas.
// X is passed through to PLAIN, for lists that expand these lines inside another list.
#define REPORT_FILE_PLAIN_OPS(PLAIN, X)                                                      \
  PLAIN(X, Ellipse, 7, "PP", 4)                                                             \
  PLAIN(X, LineTo, 11, "P", 2)                                                              \
  PLAIN(X, MoveTo, 12, "P", 2)                                                              \
  PLAIN(X, Rectangle, 18, "PP", 4)                                                          \
  PLAIN(X, TabRectangle, 19, "PP", 4)                                                       \
  PLAIN(X, RoundRect, 20, "PPFF", 6)  /* box, corner width and height (inches, no origin) */ \
  PLAIN(X, CreateRectRegion, 201, "PP", 4)                                                  \
  PLAIN(X, CreateRoundRectRegion, 202, "PPFF", 6)  /* as kRoundRect */                       \
  PLAIN(X, CreateEllipticRegion, 203, "PP", 4)                                              \
  PLAIN(X, SelectClipRegion, 205, "", 0)                                                    \
  PLAIN(X, ClearClipRegion, 206, "", 0)                                                     \
  PLAIN(X, DeleteRegion, 207, "", 0)                                                        \
  PLAIN(X, BeginPath, 208, "", 0)                                                           \
  PLAIN(X, EndPath, 209, "", 0)                                                             \
  PLAIN(X, SelectClipPath, 210, "", 0)                                                      \
  PLAIN(X, StrokePath, 211, "", 0)                                                          \
  PLAIN(X, StrokeAndFillPath, 212, "", 0)

// A plain op as a line of the op list.
#define REPORT_FILE_PLAIN_AS_OP(OP, name, code, layout, count) OP(name, code, layout)

// ---- the op list: every command record, one line each: name (its code is k<Name>), code
// byte, operand layout; the plain ops above close it. The code enum and the decoder's layouts come from this list; the
// writer's records (RecordWriter::Record) are checked against it when they compile, and the
// player's dispatch (TFilePrinter) has no default case, so a code it leaves out is named by
// the compiler.
// Operand layouts, one letter per operand in record order:
//   B byte   S short   I int   F real   P point   R rect (two points)   T text
//   G graphic   Q byte flag, then a graphic when the flag is 1
//   L short (count - 1), then count points   D int n, then n raw bytes
// "read only": the reader plays it, the writer never writes it.
#define REPORT_FILE_OPS(OP)                                                                   \
  OP(Arc, 1, "PPPP")              /* box, start point, end point */                          \
  OP(BrushCopy, 2, "GRRI")        /* bitmap, destination, source (bitmap pixels), colour */  \
  OP(Chord, 3, "PPPP")            /* as kArc */                                              \
  OP(CopyRect, 4, "RIR")          /* never written */                                        \
  OP(Draw, 5, "GP")                                                                          \
  OP(DrawFocusRect, 6, "R")                                                                  \
  OP(FillRect, 8, "R")                                                                       \
  OP(FloodFill, 9, "PII")         /* point, colour, fill style */                            \
  OP(FrameRect, 10, "R")                                                                     \
  OP(Pie, 13, "PPPP")             /* as kArc */                                              \
  OP(Polygon, 14, "L")                                                                       \
  OP(Polyline, 15, "L")                                                                      \
  OP(PrintBitmap, 16, "GPFF")     /* bitmap, point, scale X, scale Y */                      \
  OP(PrintBitmapRect, 17, "GPP")  /* bitmap, top-left, bottom-right */                       \
  OP(StretchDraw, 21, "GR")                                                                  \
  OP(TextRect, 22, "RPT")         /* clip, text origin, text */                              \
  OP(PrintCenter, 23, "FTF")      /* line Y, text, X of the centre */                        \
  OP(PrintLeft, 24, "FTF")        /* line Y, text, X of the left end */                      \
  OP(PrintRight, 25, "FTF")       /* line Y, text, X of the right end */                     \
  OP(BackgroundMode, 26, "B")     /* 0 transparent, 1 opaque */                              \
  OP(BackgroundColor, 27, "I")                                                               \
  OP(ScaleX, 28, "F")             /* percent: read and ignored */                            \
  OP(ScaleY, 29, "F")             /* percent: read and ignored */                            \
  OP(PrintData, 30, "T")          /* raw printer data */                                     \
  OP(PrintDataStream, 31, "D")                                                               \
  OP(PrintBlockOld, 32, "FTFF")   /* as kPrintBlock: read only */                            \
  OP(PrintBlock, 33, "FTFF")      /* line Y, text, X of the left end, width */               \
  OP(BitmapMode, 34, "B")         /* 1 AND the bitmap with the page, 0 copy it */            \
  OP(Brush, 40, "IBQ")            /* colour, style, pattern: read only */                    \
  OP(BrushColor, 41, "I")                                                                    \
  OP(BrushStyle, 42, "B")                                                                    \
  OP(BrushBitmap, 43, "Q")                                                                   \
  OP(Font, 50, "TIBFBBBBS")       /* name, colour, pitch, height, bold, italic, underline,   \
                                     strike-out, rotation: read only */                      \
  OP(FontName, 51, "T")           /* at most 60 characters */                                \
  OP(FontColor, 52, "I")                                                                     \
  OP(FontPitch, 53, "B")                                                                     \
  OP(FontHeight, 54, "FF")        /* height, reference width (inches) */                     \
  OP(FontBold, 55, "B")                                                                      \
  OP(FontUnderline, 56, "B")                                                                 \
  OP(FontItalic, 57, "B")                                                                    \
  OP(FontStrikeOut, 58, "B")                                                                 \
  OP(FontSuperscript, 59, "B")                                                               \
  OP(FontSubscript, 60, "B")                                                                 \
  OP(FontRotation, 61, "S")       /* degrees 0..359 */                                       \
  OP(FontAlign, 62, "B")          /* 0 baseline, 1 top, 2 bottom */                          \
  OP(Pen, 70, "IBBF")             /* colour, mode, style, width: read only */                \
  OP(PenColor, 71, "I")                                                                      \
  OP(PenMode, 72, "B")                                                                       \
  OP(PenStyle, 73, "B")                                                                      \
  OP(PenWidth, 74, "F")           /* inches */                                               \
  OP(EndPage, 82, "")                                                                        \
  OP(LineMetrics, 83, "FFF")      /* ascent, descent, line height (inches) */                \
  OP(AllowPreviewOnly, 84, "")                                                               \
  OP(AllowPrinterOnly, 85, "")                                                               \
  OP(AllowAll, 86, "")                                                                       \
  OP(Orientation, 87, "B")                                                                   \
  OP(SelectBin, 88, "T")                                                                     \
  OP(CreatePolygonRegion, 204, "L")                                                          \
  REPORT_FILE_PLAIN_OPS(REPORT_FILE_PLAIN_AS_OP, OP)

// ---- record codes (the first byte of every record): the op list's, and the two headers.
enum Code : uint8_t {
#define REPORT_FILE_OP_CODE(name, code, layout) k##name = code,
  REPORT_FILE_OPS(REPORT_FILE_OP_CODE)
#undef REPORT_FILE_OP_CODE
  kPageHeader = 80,  // see the page header layout
  kFileHeader = 89,  // see the file header layout
};

// The operand layout of a command code: an empty layout (kNoOperands) for a code without
// operands, nullptr for a code that is not a command (the two headers, unknown bytes). The
// reader decodes by these and the writer writes the same fields in the same order.
inline constexpr const char* kNoOperands = "";

inline constexpr const char* OperandLayout(uint8_t code) {
  switch (code) {
#define REPORT_FILE_OP_LAYOUT(name, code, layout) \
  case k##name: return layout;
    REPORT_FILE_OPS(REPORT_FILE_OP_LAYOUT)
#undef REPORT_FILE_OP_LAYOUT
    default: return nullptr;
  }
}

// True when `letters` are exactly the layout of `code`: the writer's check of its operands.
template <size_t N>
constexpr bool LayoutIs(uint8_t code, const std::array<char, N>& letters) {
  const char* layout = OperandLayout(code);
  if (layout == nullptr) return false;
  for (size_t i = 0; i < N; ++i)
    if (layout[i] != letters[i]) return false;  // a shorter layout stops at its '\0'
  return layout[N] == '\0';
}

// How many numbers a plain op's operands hold (a point two, a real one); -1 when the code
// has another kind of operand or is not a command.
constexpr int ValueCount(uint8_t code) {
  const char* layout = OperandLayout(code);
  if (layout == nullptr) return -1;
  int count = 0;
  for (const char* letter = layout; *letter != '\0'; ++letter) {
    if (*letter == 'P') {
      count += 2;
    } else if (*letter == 'F') {
      count += 1;
    } else {
      return -1;
    }
  }
  return count;
}

#define REPORT_FILE_PLAIN_COUNT_CHECK(X, name, code, layout, count) \
  static_assert(ValueCount(code) == count, "the count of numbers of plain op " #name);
REPORT_FILE_PLAIN_OPS(REPORT_FILE_PLAIN_COUNT_CHECK, _)
#undef REPORT_FILE_PLAIN_COUNT_CHECK

// ---- file header: the code byte kFileHeader, then these fixed fields in this order, then
// the output name (text). One line per field: name, kind (a RecordWriter and RecordReader
// call), the ReportFileHeader member. ReportFileHeader writes and reads by this list.
#define REPORT_FILE_HEADER_FIELDS(FIELD)                                              \
  FIELD(PageCount, Short, page_count)       /* patched when output finishes */       \
  FIELD(FirstPage, Short, first_page)                                                 \
  FIELD(LastPage, Short, last_page)                                                   \
  FIELD(PageWidth, Real, page_width)                                                  \
  FIELD(PageHeight, Real, page_height)                                                \
  FIELD(LeftOffset, Real, left_offset)      /* unprintable margins */                 \
  FIELD(RightOffset, Real, right_offset)                                              \
  FIELD(TopOffset, Real, top_offset)                                                  \
  FIELD(BottomOffset, Real, bottom_offset)                                            \
  FIELD(Orientation, Byte, orientation)     /* 0 portrait, 1 landscape, 2 default */  \
  FIELD(Bin, Short, bin)                    /* paper source */                        \
  FIELD(Collate, Byte, collate)                                                       \
  FIELD(Duplex, Byte, duplex)               /* 0 simplex, 1 vertical, 2 horizontal */ \
  FIELD(Copies, Short, copies)                                                        \
  FIELD(PaperSize, Short, paper_size)       /* paper-size code */                     \
  FIELD(PaperWidth, Short, paper_width)     /* tenths of a millimetre */              \
  FIELD(PaperLength, Short, paper_length)   /* tenths of a millimetre */

// ---- page header: the code byte kPageHeader, then these fields (offsets below are from
// the code byte). PageHeader writes and reads by this list.
#define REPORT_FILE_PAGE_HEADER_FIELDS(FIELD)                                                \
  FIELD(Previous, Int, previous)  /* absolute offset of the previous page, 0 = none */      \
  FIELD(Next, Int, next)          /* absolute offset of the next page, 0 = last */          \
  FIELD(Number, Short, number)    /* ordinal of the record, from 1 */                       \
  FIELD(Width, Real, page_width)                                                            \
  FIELD(Height, Real, page_height)

// Offsets of the fields from the header's code byte, counted from the lists above.
namespace header_layout {
#define REPORT_FILE_FIELD_WIDTH(name, kind, member) k##kind##Size,
inline constexpr int kFileFieldWidths[] = {REPORT_FILE_HEADER_FIELDS(REPORT_FILE_FIELD_WIDTH)};
inline constexpr int kPageFieldWidths[] = {REPORT_FILE_PAGE_HEADER_FIELDS(REPORT_FILE_FIELD_WIDTH)};
#undef REPORT_FILE_FIELD_WIDTH
#define REPORT_FILE_FIELD_INDEX(name, kind, member) kFile##name,
enum FileField : int { REPORT_FILE_HEADER_FIELDS(REPORT_FILE_FIELD_INDEX) kFileFieldCount };
#undef REPORT_FILE_FIELD_INDEX
#define REPORT_FILE_FIELD_INDEX(name, kind, member) kPage##name,
enum PageField : int { REPORT_FILE_PAGE_HEADER_FIELDS(REPORT_FILE_FIELD_INDEX) kPageFieldCount };
#undef REPORT_FILE_FIELD_INDEX

// The code byte, then the fields before `field`.
template <size_t N>
constexpr int Offset(const int (&widths)[N], int field) {
  int at = kByteSize;
  for (int i = 0; i < field; ++i) at += widths[i];
  return at;
}
constexpr int FileOffset(FileField field) { return Offset(kFileFieldWidths, field); }
constexpr int PageOffset(PageField field) { return Offset(kPageFieldWidths, field); }
}  // namespace header_layout

inline constexpr int kHdrPageCount = header_layout::FileOffset(header_layout::kFilePageCount);
inline constexpr int kHdrFirstPage = header_layout::FileOffset(header_layout::kFileFirstPage);
// Everything before the output name.
inline constexpr int kFileHeaderFixedSize =
    header_layout::FileOffset(header_layout::kFileFieldCount);

inline constexpr int kPgPrevious = header_layout::PageOffset(header_layout::kPagePrevious);
inline constexpr int kPgNext = header_layout::PageOffset(header_layout::kPageNext);
inline constexpr int kPgNumber = header_layout::PageOffset(header_layout::kPageNumber);
inline constexpr int kPageHeaderSize = header_layout::PageOffset(header_layout::kPageFieldCount);

// The offsets the file format fixes: a change to the lists above that moves them fails here.
static_assert(kHdrPageCount == 1 && kHdrFirstPage == 3 && kFileHeaderFixedSize == 44);
static_assert(kPgPrevious == 1 && kPgNext == 5 && kPgNumber == 9 && kPageHeaderSize == 19);

// Device values stored when no printer is installed.
inline constexpr int16_t kNoPrinterBin = 265;
inline constexpr int16_t kNoPrinterPaperSize = 1;
inline constexpr double kNoPrinterPageWidth = 8.5;
inline constexpr double kNoPrinterPageHeight = 11.0;

// ---- graphics
inline constexpr uint8_t kGraphicBitmap = 1;
inline constexpr uint8_t kGraphicMetafile = 2;
inline constexpr uint8_t kGraphicIcon = 3;

// ---- limits
inline constexpr int kMaxFontNameLength = 60;
inline constexpr int kMaxListPoints = 32768;   // the count field is a short holding count - 1
inline constexpr int kDataBlockSize = 4096;   // raw data passes through in blocks of this size
inline constexpr int kWriteBufferSize = 16384;

// ---- text macros: the byte 0xFD, "$RECM", two decimal digits
inline constexpr std::string_view kMacroMarker = "\375$RECM";
inline constexpr int kMacroLength = 8;
enum Macro : int {
  kMacroDateShort = 0,    // "ddddd"
  kMacroDateLong = 1,     // "dddddd"
  kMacroDateMDY = 2,      // "mm/dd/yy"
  kMacroDateDMY = 3,      // "dd/mm/yy"
  kMacroTimeShort = 4,    // "t"
  kMacroTimeLong = 5,     // "tt"
  kMacroTimeAmPm = 6,     // "hh:nn ampm"
  kMacroTime24 = 7,       // "hh:nn"
  kMacroFirstPage = 8,
  kMacroLastPage = 9,
  kMacroPageCount = 10,
  kMacroCurrentPage = 11,
  kMacroDeviceName = 12,
  kMacroDriverName = 13,
  kMacroPortName = 14,
  kMacroTextFirst = 15,   // 15..34: line (number - 15) of the macro text list
  kMacroTextLast = 34,
};

// The text whose width, measured in the new font on the writing device, travels with every
// font height record so that the reader can narrow its own font to fit.
inline constexpr std::string_view kFontReferenceText =
    "abcdefg hijklmnop qrstuv wxyz ABCDEFG HIJKLMNOP QRSTUV WXYZ 0123456789";

// ---- text code page (Windows-1252) and byte order: the program's shared helpers.
using base::Cp1252ToUnicode;
using base::Le16;
using base::Le32;
using base::LeReal;
using base::PutLe16;
using base::PutLe32;
using base::PutLeReal;
using base::UnicodeToCp1252;

}  // namespace report_file
