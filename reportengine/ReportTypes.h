// Types shared by every report class: units, line-height methods, the enumerations that
// the report file stores by ordinal (their order is fixed), colours in the Windows layout,
// and the font, brush, pen and tab-stop records that the page model keeps.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum TPrintUnits { unInch, unMM, unCM, unPoint, unUser };
// The last page of "print every page": a report's LastPage, the print dialog's range and
// the report file header all use it (fixed: stored in report files).
inline constexpr int kLastPageAll = 9999;
enum TLineHeightMethod { lhmLinesPerInch, lhmFont, lhmUser };

// Stored by ordinal in report files: the values are fixed.
enum TBKMode { bkTransparent = 0, bkOpaque = 1 };
enum TOrientation { poPortrait = 0, poLandScape = 1, poDefault = 2 };
enum TBrushStyle {
  bsSolid = 0, bsClear = 1, bsHorizontal = 2, bsVertical = 3,
  bsFDiagonal = 4, bsBDiagonal = 5, bsCross = 6, bsDiagCross = 7
};
enum TPenStyle {
  psSolid = 0, psDash = 1, psDot = 2, psDashDot = 3, psDashDotDot = 4, psClear = 5,
  psInsideFrame = 6
};
enum TPenMode {
  pmBlack = 0, pmWhite = 1, pmNop = 2, pmNot = 3, pmCopy = 4, pmNotCopy = 5,
  pmMergePenNot = 6, pmMaskPenNot = 7, pmMergeNotPen = 8, pmMaskNotPen = 9, pmMerge = 10,
  pmNotMerge = 11, pmMask = 12, pmNotMask = 13, pmXor = 14, pmNotXor = 15
};
enum TFontPitch { fpDefault = 0, fpVariable = 1, fpFixed = 2 };
// Vertical text alignment: baseline, top of the line, bottom of the line.
enum TFontAlign { faBaseline = 0, faTop = 1, faBottom = 2 };
// Justification of a tab stop; pjNone as the report's TabJustify means "each stop's own".
enum TPrintJustify { pjCenter = 0, pjLeft = 1, pjRight = 2, pjBlock = 3, pjNone = 4 };

// The kind of output a report class produces; a report outputs only while the bit
// (1 << kind) is in its destination set.
enum TOutputKind { okPrinter = 0, okPreview = 1, okFile = 2 };
constexpr int kDestPrinter = 1;
constexpr int kDestPreview = 2;
constexpr int kDestFile = 4;
constexpr int kDestSpare = 8;
constexpr int kDestAll = kDestPrinter | kDestPreview | kDestFile | kDestSpare;

// Which of AllowPreviewOnly, AllowPrinterOnly, AllowAll changed the destination set.
enum TAllowKind { akPreviewOnly, akPrinterOnly, akAll };

// Tab cell border flags.
constexpr int kBoxLineLeft = 1;
constexpr int kBoxLineRight = 2;
constexpr int kBoxLineTop = 4;
constexpr int kBoxLineBottom = 8;
constexpr int kBoxLineAll = 15;
// Tab argument meaning "use the setting of the stop itself".
constexpr int kTabDefault = -32768;

// A colour in the Windows layout: red in the low byte, then green, then blue; a value
// with the top bit set names a system colour by the index in its low byte.
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSystemFlag = 0x80000000u;
constexpr TColor clBtnFace = clSystemFlag | 15;

// The one place where report colours become Qt colours and back. System colours map to
// the application palette (black when the index is unknown).
QColor ColorToQColor(TColor color);
TColor QColorToColor(const QColor& color);

// The report's own font record; heights are inches, rotation degrees 0..359.
struct TFontRecord {
  QString Name = QStringLiteral("Arial");
  TColor Color = clBlack;
  TFontPitch Pitch = fpDefault;
  double Height = 10.0 / 72.0;
  bool Bold = false;
  bool Underline = false;
  bool Italic = false;
  bool StrikeOut = false;
  bool Superscript = false;
  bool Subscript = false;
  int Rotation = 0;
  TFontAlign Align = faBaseline;

  bool operator==(const TFontRecord&) const = default;
};

// Brush of the drawing canvas. A null Pattern means no pattern bitmap.
struct TBrushRecord {
  TColor Color = clBlack;
  TBrushStyle Style = bsClear;
  QImage Pattern;

  bool operator==(const TBrushRecord& other) const {
    return Color == other.Color && Style == other.Style && Pattern == other.Pattern;
  }
};

// Pen of the drawing canvas; Width in device pixels (at least 1).
struct TPenRecord {
  TColor Color = clBlack;
  TPenStyle Style = psSolid;
  int Width = 1;
  TPenMode Mode = pmCopy;

  bool operator==(const TPenRecord&) const = default;
};

// One tab stop. Lengths in inches; Width 0 is a plain stop without a cell.
struct TTabStop {
  double Pos = 0;
  TPrintJustify Justify = pjLeft;
  double Width = 0;
  double Margin = 0;
  int Border = 0;
  int Shade = 0;

  bool operator==(const TTabStop&) const = default;
};
// Tab lists are shared between the current list and saved copies; a change copies first.
using TTabList = std::shared_ptr<const std::vector<TTabStop>>;

// Page geometry of an output device: resolution in pixels per inch, the unprintable
// offsets at the four paper edges and the paper size, inches.
struct TPageGeometry {
  double XDPI = 300;
  double YDPI = 300;
  double LeftWaste = 0;
  double RightWaste = 0;
  double TopWaste = 0;
  double BottomWaste = 0;
  double PageWidth = 8.5;
  double PageHeight = 11;
};

// A font realized for one output device: the Qt font (pixel size set), and its metrics
// read from the device, in inches at 100 % zoom (halved for superscript and subscript).
struct TRealizedFont {
  TFontRecord Key;       // the height left at 0: the pixel height stands for it
  std::string IndexKey;  // the report's cache key
  int PixelHeight = 0;
  double Zoom = 100;
  QFont Font;
  double Ascent = 0;
  double Descent = 0;
  double Leading = 0;
};
