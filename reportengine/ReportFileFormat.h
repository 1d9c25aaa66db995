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

#include <bit>
#include <cstdint>
#include <string_view>

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

// ---- record codes (the first byte of every record)
enum Code : uint8_t {
  kArc = 1,                // 4 points
  kBrushCopy = 2,          // graphic (bitmap), rect destination, rect source, int colour
  kChord = 3,              // 4 points
  kCopyRect = 4,           // rect, int, rect: never written
  kDraw = 5,               // graphic, point
  kDrawFocusRect = 6,      // rect
  kEllipse = 7,            // 2 points
  kFillRect = 8,           // rect
  kFloodFill = 9,          // point, int colour, int fill style
  kFrameRect = 10,         // rect
  kLineTo = 11,            // point
  kMoveTo = 12,            // point
  kPie = 13,               // 4 points
  kPolygon = 14,           // short (count - 1), count points
  kPolyline = 15,          // as kPolygon
  kPrintBitmap = 16,       // graphic (bitmap), point, real scale X, real scale Y
  kPrintBitmapRect = 17,   // graphic (bitmap), point top-left, point bottom-right
  kRectangle = 18,         // 2 points
  kTabRectangle = 19,      // 2 points
  kRoundRect = 20,         // 2 points, real corner width, real corner height
  kStretchDraw = 21,       // graphic, rect
  kTextRect = 22,          // rect (clip), point (text origin), text
  kPrintCenter = 23,       // real line Y, text, real X (centre)
  kPrintLeft = 24,         // real line Y, text, real X (left end)
  kPrintRight = 25,        // real line Y, text, real X (right end)
  kBackgroundMode = 26,    // byte: 0 transparent, 1 opaque
  kBackgroundColor = 27,   // int colour
  kScaleX = 28,            // real percent: read and ignored
  kScaleY = 29,            // real percent: read and ignored
  kPrintData = 30,         // text (raw printer data)
  kPrintDataStream = 31,   // int n, n raw bytes
  kPrintBlockOld = 32,     // as kPrintBlock: read only
  kPrintBlock = 33,        // real line Y, text, real X (left end), real width
  kBitmapMode = 34,        // byte: 1 AND the bitmap with the page, 0 copy it
  kBrush = 40,             // int colour, byte style, byte flag, graphic when flag 1: read only
  kBrushColor = 41,        // int
  kBrushStyle = 42,        // byte
  kBrushBitmap = 43,       // byte flag; graphic (bitmap) when flag 1
  kFont = 50,              // text name, int colour, byte pitch, real height, byte bold,
                           // byte italic, byte underline, byte strike-out, short rotation: read only
  kFontName = 51,          // text (at most 60 characters)
  kFontColor = 52,         // int
  kFontPitch = 53,         // byte
  kFontHeight = 54,        // real height, real reference width (inches)
  kFontBold = 55,          // byte
  kFontUnderline = 56,     // byte
  kFontItalic = 57,        // byte
  kFontStrikeOut = 58,     // byte
  kFontSuperscript = 59,   // byte
  kFontSubscript = 60,     // byte
  kFontRotation = 61,      // short, degrees 0..359
  kFontAlign = 62,         // byte: 0 baseline, 1 top, 2 bottom
  kPen = 70,               // int colour, byte mode, byte style, real width: read only
  kPenColor = 71,          // int
  kPenMode = 72,           // byte
  kPenStyle = 73,          // byte
  kPenWidth = 74,          // real, inches
  kPageHeader = 80,        // see the page header layout
  kEndPage = 82,           // none
  kLineMetrics = 83,       // real ascent, real descent, real line height (inches)
  kAllowPreviewOnly = 84,  // none
  kAllowPrinterOnly = 85,  // none
  kAllowAll = 86,          // none
  kOrientation = 87,       // byte
  kSelectBin = 88,         // text
  kFileHeader = 89,        // see the file header layout
  kCreateRectRegion = 201,       // 2 points
  kCreateRoundRectRegion = 202,  // 2 points, real corner width, real corner height
  kCreateEllipticRegion = 203,   // 2 points
  kCreatePolygonRegion = 204,    // short (count - 1), count points
  kSelectClipRegion = 205,       // none
  kClearClipRegion = 206,        // none
  kDeleteRegion = 207,           // none
  kBeginPath = 208,              // none
  kEndPath = 209,                // none
  kSelectClipPath = 210,         // none
  kStrokePath = 211,             // none
  kStrokeAndFillPath = 212,      // none
};

// ---- operand layouts, one letter per operand in record order; the reader decodes by these
// and the writer writes the same fields in the same order.
//   B byte   S short   I int   F real   P point   R rect (two points)   T text
//   G graphic   Q byte flag, then a graphic when the flag is 1
//   L short (count - 1), then count points   D int n, then n raw bytes
// An empty layout with kNoOperands marks a code without operands; nullptr an unknown code.
inline constexpr const char* kNoOperands = "";

inline constexpr const char* OperandLayout(uint8_t code) {
  switch (code) {
    case kArc: case kChord: case kPie: return "PPPP";
    case kBrushCopy: return "GRRI";
    case kCopyRect: return "RIR";
    case kDraw: return "GP";
    case kDrawFocusRect: case kFillRect: case kFrameRect: return "R";
    case kEllipse: case kRectangle: case kTabRectangle: return "PP";
    case kFloodFill: return "PII";
    case kLineTo: case kMoveTo: return "P";
    case kPolygon: case kPolyline: case kCreatePolygonRegion: return "L";
    case kPrintBitmap: return "GPFF";
    case kPrintBitmapRect: return "GPP";
    case kRoundRect: case kCreateRoundRectRegion: return "PPFF";
    case kStretchDraw: return "GR";
    case kTextRect: return "RPT";
    case kPrintCenter: case kPrintLeft: case kPrintRight: return "FTF";
    case kBackgroundMode: case kBitmapMode: case kBrushStyle: case kFontPitch: return "B";
    case kFontBold: case kFontUnderline: case kFontItalic: case kFontStrikeOut: return "B";
    case kFontSuperscript: case kFontSubscript: case kFontAlign: return "B";
    case kPenMode: case kPenStyle: case kOrientation: return "B";
    case kBackgroundColor: case kBrushColor: case kFontColor: case kPenColor: return "I";
    case kScaleX: case kScaleY: case kPenWidth: return "F";
    case kPrintData: case kFontName: case kSelectBin: return "T";
    case kPrintDataStream: return "D";
    case kPrintBlockOld: case kPrintBlock: return "FTFF";
    case kBrush: return "IBQ";
    case kBrushBitmap: return "Q";
    case kFont: return "TIBFBBBBS";
    case kFontHeight: return "FF";
    case kFontRotation: return "S";
    case kPen: return "IBBF";
    case kLineMetrics: return "FFF";
    case kCreateRectRegion: case kCreateEllipticRegion: return "PP";
    case kEndPage: case kAllowPreviewOnly: case kAllowPrinterOnly: case kAllowAll:
    case kSelectClipRegion: case kClearClipRegion: case kDeleteRegion: case kBeginPath:
    case kEndPath: case kSelectClipPath: case kStrokePath: case kStrokeAndFillPath:
      return kNoOperands;
    default: return nullptr;  // kPageHeader and kFileHeader are not commands
  }
}

// ---- file header (offsets from the first byte of the stream)
inline constexpr int kHdrCode = 0;          // byte kFileHeader
inline constexpr int kHdrPageCount = 1;     // short, patched when output finishes
inline constexpr int kHdrFirstPage = 3;     // short
inline constexpr int kHdrLastPage = 5;      // short
inline constexpr int kHdrPageWidth = 7;     // real
inline constexpr int kHdrPageHeight = 11;   // real
inline constexpr int kHdrLeftOffset = 15;   // real, unprintable margins
inline constexpr int kHdrRightOffset = 19;  // real
inline constexpr int kHdrTopOffset = 23;    // real
inline constexpr int kHdrBottomOffset = 27; // real
inline constexpr int kHdrOrientation = 31;  // byte: 0 portrait, 1 landscape, 2 default
inline constexpr int kHdrBin = 32;          // short, paper source
inline constexpr int kHdrCollate = 34;      // byte
inline constexpr int kHdrDuplex = 35;       // byte: 0 simplex, 1 vertical, 2 horizontal
inline constexpr int kHdrCopies = 36;       // short
inline constexpr int kHdrPaperSize = 38;    // short, paper-size code
inline constexpr int kHdrPaperWidth = 40;   // short, tenths of a millimetre
inline constexpr int kHdrPaperLength = 42;  // short, tenths of a millimetre
inline constexpr int kHdrOutputName = 44;   // text
inline constexpr int kFileHeaderFixedSize = 44;  // everything before the output name

// Device values stored when no printer is installed.
inline constexpr int16_t kNoPrinterBin = 265;
inline constexpr int16_t kNoPrinterPaperSize = 1;
inline constexpr double kNoPrinterPageWidth = 8.5;
inline constexpr double kNoPrinterPageHeight = 11.0;

// ---- page header (offsets from the page record's code byte)
inline constexpr int kPgCode = 0;      // byte kPageHeader
inline constexpr int kPgPrevious = 1;  // int, absolute offset of the previous page, 0 = none
inline constexpr int kPgNext = 5;      // int, absolute offset of the next page, 0 = last
inline constexpr int kPgNumber = 9;    // short, ordinal of the record, from 1
inline constexpr int kPgWidth = 11;    // real
inline constexpr int kPgHeight = 15;   // real
inline constexpr int kPageHeaderSize = 19;

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

// ---- text code page: Windows-1252. Bytes 0x80..0x9F differ from Latin-1; the five bytes
// the code page leaves undefined map to the C1 control of the same value.
inline constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

inline char16_t Cp1252ToUnicode(uint8_t byte) {
  return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : char16_t{byte};
}

// '?' for a character the code page cannot hold.
inline uint8_t UnicodeToCp1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c < 0x100)) return static_cast<uint8_t>(c);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) return static_cast<uint8_t>(0x80 + i);
  return '?';
}

// ---- little-endian access
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline float LeReal(const uint8_t* p) { return std::bit_cast<float>(Le32(p)); }
inline void PutLeReal(uint8_t* p, float v) { PutLe32(p, std::bit_cast<uint32_t>(v)); }

}  // namespace report_file
