// TFilePrinter, decoding and dispatch: each command record of a page, decoded whole, becomes
// the matching report operation (texts with their macros, graphics, fonts with the fitting of
// recorded heights, pens, clip regions). Input, targets and the playback loop: FilePrinter.cpp.
#include <QBuffer>
#include <QImageReader>
#include <QLocale>
#include <array>
#include <cmath>
#include <tuple>

#include "reportengine/FilePrinter.h"
#include "reportengine/ReportFileFormat.h"

using namespace report_file;

namespace {

// Largest graphic the player decodes: its pixels, not its bytes (a small compressed bitmap
// may claim a huge picture).
constexpr qint64 kMaxGraphicPixels = 64LL * 1024 * 1024;
constexpr int kMaxGraphicSide = 32767;
// Bitmap magnification beyond which a record is taken as broken.
constexpr double kMaxBitmapScale = 1000.0;
// Font heights and pen widths are kept within what a page can show.
constexpr double kMaxFontHeight = 20.0;  // inches
constexpr double kMaxPenWidth = 10.0;    // inches
// Steps of the width-fitting loop, and the overshoot beyond which it first jumps.
constexpr int kMaxFitSteps = 64;
constexpr double kFitJumpRatio = 1.25;

// The numbers of a plain op's decoded record in layout order, a point giving two.
template <uint8_t kCode>
std::array<double, ValueCount(kCode)> Values(const ReportRecord& r) {
  std::array<double, ValueCount(kCode)> values{};
  size_t next = 0;
  int point = 0, real = 0;
  for (const char* letter = OperandLayout(kCode); *letter != '\0'; ++letter) {
    if (*letter == 'P') {
      values[next++] = r.points[point].x();
      values[next++] = r.points[point++].y();
    } else {
      values[next++] = r.reals[real++];
    }
  }
  return values;
}

}  // namespace

// ---- decoding helpers

QString TFilePrinter::RecordText(const QByteArray& bytes) {
  QString text;
  text.reserve(bytes.size());
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<uint8_t>(bytes[i]);
    if (byte == static_cast<uint8_t>(kMacroMarker[0]) && i + kMacroLength <= bytes.size() &&
        bytes.mid(i, static_cast<qsizetype>(kMacroMarker.size())) ==
            QByteArrayView(kMacroMarker.data(), static_cast<qsizetype>(kMacroMarker.size())) &&
        std::isdigit(static_cast<uint8_t>(bytes[i + 6])) &&
        std::isdigit(static_cast<uint8_t>(bytes[i + 7]))) {
      text += MacroText((bytes[i + 6] - '0') * 10 + (bytes[i + 7] - '0'));
      i += kMacroLength - 1;
      continue;
    }
    text += QChar(Cp1252ToUnicode(byte));
  }
  return text;
}

QString TFilePrinter::MacroText(int number) {
  const QDateTime& when = StartDateTime();
  const QLocale locale = QLocale::system();
  const QLocale c = QLocale::c();
  switch (number) {
    case kMacroDateShort: return c.toString(when.date(), QStringLiteral("MM/dd/yyyy"));
    case kMacroDateLong: return locale.toString(when.date(), QLocale::LongFormat);
    case kMacroDateMDY: return c.toString(when.date(), QStringLiteral("MM/dd/yy"));
    case kMacroDateDMY: return c.toString(when.date(), QStringLiteral("dd/MM/yy"));
    case kMacroTimeShort: return locale.toString(when.time(), QLocale::ShortFormat);
    case kMacroTimeLong: return locale.toString(when.time(), QLocale::LongFormat);
    case kMacroTimeAmPm: return c.toString(when.time(), QStringLiteral("hh:mm AP"));
    case kMacroTime24: return c.toString(when.time(), QStringLiteral("HH:mm"));
    case kMacroFirstPage: return QString::number(FirstPage());
    case kMacroLastPage: return QString::number(LastPage());
    case kMacroPageCount: return QString::number(PageCount());
    case kMacroCurrentPage: return QString::number(CurrentPage());
    case kMacroDeviceName:
    case kMacroDriverName:
    case kMacroPortName: {
      QString device, driver, port;
      DeviceNames(device, driver, port);
      return number == kMacroDeviceName ? device : number == kMacroDriverName ? driver : port;
    }
    default:
      if (number >= kMacroTextFirst && number <= kMacroTextLast)
        return StatusText().value(number - kMacroTextFirst);
      return QString();
  }
}

QImage TFilePrinter::Graphic(const ReportRecord& r) const {
  if (!r.has_graphic || r.graphic_size == 0) return QImage();
  // Metafiles have no player here: nothing is drawn for them.
  if (r.graphic_kind == kGraphicMetafile) return QImage();
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(r.graphic),
                                             static_cast<qsizetype>(r.graphic_size));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, r.graphic_kind == kGraphicIcon ? "ico" : "bmp");
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > kMaxGraphicSide || size.height() > kMaxGraphicSide ||
      static_cast<qint64>(size.width()) * size.height() > kMaxGraphicPixels)
    return QImage();
  return reader.read();
}

QRect TFilePrinter::DeviceRect(const QPointF& top_left, const QPointF& bottom_right) const {
  const int l = XI2D(top_left.x());
  const int t = YI2D(top_left.y());
  return QRect(l, t, XI2D(bottom_right.x()) - l, YI2D(bottom_right.y()) - t);
}

QPolygon TFilePrinter::DevicePoints(const std::vector<QPointF>& points) const {
  QPolygon polygon(static_cast<int>(points.size()));
  for (size_t i = 0; i < points.size(); ++i)
    polygon[static_cast<int>(i)] = QPoint(XI2D(points[i].x()), YI2D(points[i].y()));
  return polygon;
}

double TFilePrinter::ReferenceWidth() {
  return TextWidthInches(QString::fromLatin1(kFontReferenceText.data(),
                                             static_cast<qsizetype>(kFontReferenceText.size())));
}

void TFilePrinter::FitFontHeight() {
  fit_pending_ = false;
  const double height = Font().Height;
  const double reference_width = fit_reference_;
  // The playback font is narrowed, never widened, until the reference text is no wider than
  // it was on the writing device.
  // Compared at the file's single precision: the same font on the same device is no wider.
  auto wider = [reference_width](double w) {
    return static_cast<float>(w) > static_cast<float>(reference_width);
  };
  double width = ReferenceWidth();
  if (!wider(width) || !(reference_width > 0)) return;
  const double pixel = 1.0 / (YDPI() * Zoom() / 100.0);
  double current = Font().Height;
  if (width > reference_width * kFitJumpRatio) {
    // Far too wide (another font altogether): start near the answer instead of walking there.
    // A recorded width far below anything drawable asks for the smallest height the walk
    // could reach: go there at once, not one pixel (and one new font) at a time.
    const double jump = std::max(current * reference_width / width, std::min(current, 1.1 * pixel + pixel));
    if (jump > pixel && jump < current) {
      SetFontHeight(jump);
      const double narrower = ReferenceWidth();
      if (narrower < width) {
        current = Font().Height;
        width = narrower;
      } else {
        SetFontHeight(current);
      }
    }
  }
  for (int step = 0; step < kMaxFitSteps && wider(width); ++step) {
    const double lower = current - 1.1 * pixel;
    if (lower <= pixel) break;
    SetFontHeight(lower);
    const double narrower = ReferenceWidth();
    if (!(narrower < width)) {
      SetFontHeight(height);  // a step that gains nothing: keep the recorded height
      return;
    }
    current = lower;
    width = narrower;
  }
}

void TFilePrinter::PlayBlock(const QString& text, double x, double line_y, double width) {
  // Where the text already has the recorded width on this device (the same device, or one
  // that measures alike), spreading it would move nothing by as much as half a pixel: it is
  // drawn in one piece. Trailing blanks are left out of a block, so an opaque background
  // takes the slow path that leaves them out too.
  const bool plain = TextBKMode() == bkTransparent || !text.endsWith(QLatin1Char(' '));
  if (plain && std::fabs(TextWidthInches(text) - width) * XDPI() * Zoom() / 100.0 < 0.5) {
    OutText(taLeft, text, x, line_y);
    return;
  }
  OutBlock(text, x, line_y, width);
}

void TFilePrinter::Dispatch(const ReportRecord& r) {
  const QPointF* p = r.points;
  const double* f = r.reals;
  const int32_t* n = r.ints;
  auto in_range = [this](int32_t v, int32_t high) {
    if (v < 0 || v > high) Unexpected();
    return v;
  };
  // The height is fitted in the font the next text is drawn in: the styles recorded after
  // the height are in force by then, as they were when the writer measured.
  if (fit_pending_ && (r.code == kTextRect || (r.code >= kPrintCenter && r.code <= kPrintRight) ||
                       r.code == kPrintBlockOld || r.code == kPrintBlock))
    FitFontHeight();
  // Every code of the op list has its case (the switch has no default, so the compiler names
  // a code left out); the decoder lets no other byte through.
  if (OperandLayout(r.code) == nullptr) Unexpected();
  switch (static_cast<Code>(r.code)) {
    case kArc:
    case kChord:
    case kPie: {
      void (TBaseReport::*op)(double, double, double, double, double, double, double, double) =
          r.code == kArc ? &TBaseReport::Arc : r.code == kChord ? &TBaseReport::Chord : &TBaseReport::Pie;
      (this->*op)(p[0].x(), p[0].y(), p[1].x(), p[1].y(), p[2].x(), p[2].y(), p[3].x(), p[3].y());
      break;
    }
    case kBrushCopy: {
      // The source rectangle is in the bitmap's own pixels.
      const QRect source(QPoint(qRound(p[2].x()), qRound(p[2].y())),
                         QPoint(qRound(p[3].x()) - 1, qRound(p[3].y()) - 1));
      if (OutputAllowed()) BrushCopy(DeviceRect(p[0], p[1]), Graphic(r), source, static_cast<TColor>(n[0]));
      break;
    }
    case kCopyRect:
      break;  // never written: a copy from another canvas cannot travel in a file
    case kDraw:
      if (OutputAllowed()) Draw(p[0].x(), p[0].y(), Graphic(r));
      break;
    case kDrawFocusRect: DrawFocusRect(DeviceRect(p[0], p[1])); break;
#define REPORT_PLAYER_PLAIN_CASE(X, name, code, layout, count) \
  case k##name:                                                  \
    std::apply([this](auto... v) { name(v...); }, Values<k##name>(r)); \
    break;
    REPORT_FILE_PLAIN_OPS(REPORT_PLAYER_PLAIN_CASE, _)
#undef REPORT_PLAYER_PLAIN_CASE
    case kFillRect: FillRect(DeviceRect(p[0], p[1])); break;
    case kFloodFill: FloodFill(p[0].x(), p[0].y(), static_cast<TColor>(n[0]), in_range(n[1], 1)); break;
    case kFrameRect: FrameRect(DeviceRect(p[0], p[1])); break;
    case kPolygon: Polygon(DevicePoints(r.list)); break;
    case kPolyline: Polyline(DevicePoints(r.list)); break;
    case kPrintBitmap:
      if (std::fabs(f[0]) > kMaxBitmapScale || std::fabs(f[1]) > kMaxBitmapScale) Unexpected();
      if (OutputAllowed()) PrintBitmap(p[0].x(), p[0].y(), f[0], f[1], Graphic(r));
      break;
    case kPrintBitmapRect:
      if (OutputAllowed()) PrintBitmapRect(p[0].x(), p[0].y(), p[1].x(), p[1].y(), Graphic(r));
      break;
    case kStretchDraw:
      if (OutputAllowed()) StretchDraw(DeviceRect(p[0], p[1]), Graphic(r));
      break;
    case kTextRect: TextRect(DeviceRect(p[0], p[1]), p[2].x(), p[2].y(), RecordText(r.text)); break;
    case kPrintCenter:
    case kPrintLeft:
    case kPrintRight:
      // Positions are absolute in every record: the cursor's advance is of no use here, so
      // the text goes straight to the canvas, on the recorded line.
      SetCursorInches(CursorXInches(), f[0]);
      if (OutputAllowed())
        OutText(r.code == kPrintLeft ? taLeft : r.code == kPrintCenter ? taCenter : taRight,
                RecordText(r.text), f[1], f[0]);
      break;
    case kBackgroundMode: SetTextBKMode(static_cast<TBKMode>(in_range(n[0], bkOpaque))); break;
    case kBackgroundColor: SetBKColor(static_cast<TColor>(n[0])); break;
    case kScaleX:
    case kScaleY:
      break;  // the player draws at its own scale
    case kPrintData:
      PrintData(r.text);
      break;
    case kPrintDataStream: {
      // The bytes were consumed with the record, whether or not they go anywhere.
      if (r.data_size <= 0 || !OutputAllowed()) break;
      QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(r.data),
                                                 static_cast<qsizetype>(r.data_size));
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::ReadOnly);
      PrintDataStream(buffer, r.data_size);
      break;
    }
    case kPrintBlockOld:
    case kPrintBlock:
      SetCursorInches(CursorXInches(), f[0]);
      if (OutputAllowed()) PlayBlock(RecordText(r.text), f[1], f[0], f[2]);
      break;
    case kBitmapMode: SetBitmapMode(in_range(n[0], 1) != 0); break;
    case kBrush:
      SetBrush(static_cast<TColor>(n[0]), static_cast<TBrushStyle>(in_range(n[1], bsDiagCross)),
               n[2] == 1 ? Graphic(r) : QImage());
      break;
    case kBrushColor: SetBrush(static_cast<TColor>(n[0]), Brush().Style, Brush().Pattern); break;
    case kBrushStyle:
      SetBrush(Brush().Color, static_cast<TBrushStyle>(in_range(n[0], bsDiagCross)), Brush().Pattern);
      break;
    case kBrushBitmap: SetBrush(Brush().Color, Brush().Style, n[0] == 1 ? Graphic(r) : QImage()); break;
    case kFont: {
      TFontRecord font = Font();
      font.Name = RecordText(r.text).left(kMaxFontNameLength);
      font.Color = static_cast<TColor>(n[0]);
      font.Pitch = static_cast<TFontPitch>(in_range(n[1], fpFixed));
      if (!(f[0] > 0)) Unexpected();
      font.Height = std::max(std::min(f[0], kMaxFontHeight), 1.0 / YDPI());
      font.Bold = in_range(n[2], 1) != 0;
      font.Italic = in_range(n[3], 1) != 0;
      font.Underline = in_range(n[4], 1) != 0;
      font.StrikeOut = in_range(n[5], 1) != 0;
      font.Rotation = n[6];
      RestoreFont(font);
      break;
    }
    case kFontName: SetFontName(RecordText(r.text)); break;
    case kFontColor: SetFontColor(static_cast<TColor>(n[0])); break;
    case kFontPitch: SetFontPitch(static_cast<TFontPitch>(in_range(n[0], fpFixed))); break;
    case kFontHeight:
      if (!(f[0] > 0)) Unexpected();
      SetFontHeight(std::min(f[0], kMaxFontHeight));
      fit_pending_ = true;
      fit_reference_ = f[1];
      break;
    case kFontBold: SetBold(in_range(n[0], 1) != 0); break;
    case kFontUnderline: SetUnderline(in_range(n[0], 1) != 0); break;
    case kFontItalic: SetItalic(in_range(n[0], 1) != 0); break;
    case kFontStrikeOut: SetStrikeOut(in_range(n[0], 1) != 0); break;
    case kFontSuperscript: SetSuperscript(in_range(n[0], 1) != 0); break;
    case kFontSubscript: SetSubscript(in_range(n[0], 1) != 0); break;
    case kFontRotation: SetFontRotation(n[0]); break;
    case kFontAlign: SetFontAlign(static_cast<TFontAlign>(in_range(n[0], faBottom))); break;
    case kPen:
    case kPenColor:
    case kPenMode:
    case kPenStyle:
    case kPenWidth: {
      TPenRecord pen = Pen();
      double width_inches = -1;
      if (r.code == kPen) {
        pen.Color = static_cast<TColor>(n[0]);
        pen.Mode = static_cast<TPenMode>(in_range(n[1], pmNotXor));
        pen.Style = static_cast<TPenStyle>(in_range(n[2], psInsideFrame));
        width_inches = f[0];
      } else if (r.code == kPenColor) {
        pen.Color = static_cast<TColor>(n[0]);
      } else if (r.code == kPenMode) {
        pen.Mode = static_cast<TPenMode>(in_range(n[0], pmNotXor));
      } else if (r.code == kPenStyle) {
        pen.Style = static_cast<TPenStyle>(in_range(n[0], psInsideFrame));
      } else {
        width_inches = f[0];
      }
      if (width_inches >= 0 || r.code == kPenWidth) {
        if (width_inches < 0) Unexpected();
        width_inches = std::min(width_inches, kMaxPenWidth);
        pen.Width = static_cast<int>(
            std::lround(XDPI() * width_inches * ScaleX() * Zoom() * 0.0001));
      }
      SetPen(pen.Color, pen.Style, pen.Width, pen.Mode);
      break;
    }
    case kLineMetrics: SetLineMetrics(f[0], f[1], f[2]); break;
    case kAllowPreviewOnly: AllowPreviewOnly(); break;
    case kAllowPrinterOnly: AllowPrinterOnly(); break;
    case kAllowAll: AllowAll(); break;
    case kOrientation: SetOrientation(static_cast<TOrientation>(in_range(n[0], poDefault))); break;
    case kSelectBin: SelectBin(RecordText(r.text)); break;
    case kCreatePolygonRegion: CreatePolygonRegion(DevicePoints(r.list)); break;
    case kEndPage:  // ends the page before it is dispatched
    case kPageHeader:
    case kFileHeader:
      Unexpected();
  }
}
