#include "reportengine/ReportFiler.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>

#include <utility>

#include "reportengine/RecordWriter.h"
#include "reportengine/REDevice.h"
#include "reportengine/ReportError.h"
#include "reportengine/ReportFileFormat.h"

using namespace report_file;
using namespace report_file::operand;

namespace {

constexpr const char* kNoUserStream = "StreamMode is smUser but Stream is nil";
constexpr const char* kCopyRectInFile = "CopyRect() not supported in file mode.";

}  // namespace

TReportFiler::TReportFiler(QObject* owner) : TBaseReport(owner) {
  SetStatusFormat(QStringLiteral("Printing page %p"));
}

TReportFiler::~TReportFiler() {
  // A report dropped while printing leaves a well-formed file behind.
  if (Printing()) {
    try {
      CloseStream();
    } catch (...) {
    }
  }
}

void TReportFiler::SetFileName(const QString& name) {
  CheckNotPrinting();
  file_name_ = name;
}

void TReportFiler::SetStreamMode(TStreamMode mode) {
  CheckNotPrinting();
  stream_mode_ = mode;
}

ReportFileHeader TReportFiler::DeviceSettings() {
  ReportFileHeader h;  // the no-printer values
  h.bin = kNoPrinterBin;
  h.paper_size = kNoPrinterPaperSize;
  TREDevice& device = TREDevice::Instance();
  const TPageGeometry g = device.Geometry();
  h.page_width = g.PageWidth;
  h.page_height = g.PageHeight;
  h.left_offset = g.LeftWaste;
  h.right_offset = g.RightWaste;
  h.top_offset = g.TopWaste;
  h.bottom_offset = g.BottomWaste;
  if (device.Printers().isEmpty() || !device.HasDevMode()) return h;
  h.bin = static_cast<int16_t>(device.BinNumber());
  h.collate = device.Collate() ? 1 : 0;
  h.duplex = static_cast<uint8_t>(device.Duplex());
  h.copies = static_cast<int16_t>(device.Copies());
  // The file holds the paper-size codes of its format (1 letter, 9 A4, ...), not Qt's numbering.
  const int id = device.PaperSize();
  h.paper_size =
      id >= 0 ? static_cast<int16_t>(QPageSize(static_cast<QPageSize::PageSizeId>(id)).windowsId()) : 0;
  if (const TDeviceMode* printer = device.Printer()) {
    // The sheet's own size, portrait: the orientation byte says how it is turned.
    const QSizeF mm = printer->Layout.pageSize().size(QPageSize::Millimeter);
    h.paper_width = static_cast<int16_t>(qRound(mm.width() * 10));
    h.paper_length = static_cast<int16_t>(qRound(mm.height() * 10));
  }
  return h;
}

TPageGeometry TReportFiler::DeviceGeometry() {
  TREDevice& device = TREDevice::Instance();
  TPageGeometry g = device.Geometry();
  // Without a printer the page is the fixed sheet (no margins), turned for a landscape report.
  if (!device.HasDevMode() && Orientation() == poLandScape) std::swap(g.PageWidth, g.PageHeight);
  return g;
}

void TReportFiler::ApplyOrientation() {
  TREDevice& device = TREDevice::Instance();
  if (Orientation() != poDefault && device.HasDevMode()) device.SetOrientation(Orientation());
}

QPaintDevice* TReportFiler::MetricsDevice() {
  TREDevice& device = TREDevice::Instance();
  // Without a printer the fonts are measured on an image at the geometry's 96 pixels per inch.
  return device.Printers().isEmpty() ? nullptr : device.MetricsDevice();
}

// ---- lifecycle

bool TReportFiler::CanStart() {
  if (stream_mode_ == smUser && user_stream_ == nullptr) throw EReportError(kNoUserStream);
  return true;
}

void TReportFiler::DeviceBeginDoc() {
  const ReportStream::Result opened = stream_.OpenForWriting(stream_mode_, &file_name_, user_stream_);
  if (opened == ReportStream::Result::kNoUserStream) throw EReportError(kNoUserStream);
  if (opened != ReportStream::Result::kOk) {
    stream_.Close();
    throw EReportError(QStringLiteral("Error initializing stream \"%1\"").arg(file_name_));
  }
  out_ = std::make_unique<RecordWriter>(stream_.device());
  pages_written_ = 0;
  page_open_ = false;
  page_at_ = 0;
  next_link_at_ = 0;

  // The report is measured and recorded on paper turned as it asks, as a printed one is.
  ApplyOrientation();
  ReportFileHeader h = DeviceSettings();
  const TPageGeometry g = DeviceGeometry();
  h.page_count = 0;
  h.first_page = static_cast<int16_t>(FirstPage());
  h.last_page = static_cast<int16_t>(LastPage());
  h.page_width = g.PageWidth;
  h.page_height = g.PageHeight;
  h.left_offset = g.LeftWaste;
  h.right_offset = g.RightWaste;
  h.top_offset = g.TopWaste;
  h.bottom_offset = g.BottomWaste;
  h.orientation = static_cast<uint8_t>(Orientation());
  h.output_name = OutputFileName();
  page_count_at_ = out_->Position() + kHdrPageCount;
  h.Write(*out_);
}

void TReportFiler::DeviceStartPage() {
  if (out_ == nullptr) return;
  if (pages_written_ >= 32767) throw EReportError("Too many pages for one report file.");
  const qint64 at = out_->Position();
  // The previous page record links here now that this one exists; the last one keeps 0.
  if (next_link_at_ != 0) out_->PatchInt(next_link_at_, static_cast<int32_t>(at));
  ++pages_written_;
  PageHeader page;
  page.previous = pages_written_ == 1 ? 0 : static_cast<int32_t>(page_at_);
  page.next = 0;
  page.number = static_cast<int16_t>(pages_written_);
  page.page_width = Geometry().PageWidth;
  page.page_height = Geometry().PageHeight;
  page.Write(*out_);
  page_at_ = at;
  next_link_at_ = at + kPgNext;
  page_open_ = true;
  // The complete drawing state, so that a reader can start at any page.
  WriteBrush(true);
  WriteFont(true);
  WritePen(true);
  WriteScale(true);
  WriteTextBK(true);
  WriteLineMetrics(true);
}

void TReportFiler::EndPageRecord() {
  if (!page_open_) return;
  // A page aborted half way is still closed, so that the file stays readable.
  out_->Record<kEndPage>();
  page_open_ = false;
  reference_at_ = 0;
}

void TReportFiler::DeviceEndPage() { EndPageRecord(); }

void TReportFiler::DeviceEndDoc() { CloseStream(); }

void TReportFiler::CloseStream() {
  if (out_ == nullptr) return;
  EndPageRecord();
  out_->PatchShort(page_count_at_, static_cast<int16_t>(pages_written_));
  out_->Flush();
  const bool written = out_->ok();
  out_.reset();
  const bool closed = stream_.Close();
  if (!written || !closed)
    throw EReportError(QStringLiteral("Error writing stream \"%1\"").arg(file_name_));
}

// ---- state changes

void TReportFiler::WriteBrush(bool force) {
  const TBrushRecord& b = Brush();
  TBrushRecord& w = written_.brush;
  if (force || b.Color != w.Color) out_->Record<kBrushColor>(Int{static_cast<int32_t>(b.Color)});
  if (force || b.Style != w.Style) out_->Record<kBrushStyle>(Byte{static_cast<uint8_t>(b.Style)});
  const bool had_pattern = !w.Pattern.isNull();
  if (!b.Pattern.isNull() && (force || !(b.Pattern == w.Pattern)))
    out_->Record<kBrushBitmap>(FlagGraphic{true, Bitmap(b.Pattern)});
  else if (b.Pattern.isNull() && (force || had_pattern))
    out_->Record<kBrushBitmap>(FlagGraphic{false, Graphic{}});
  w = b;
}

void TReportFiler::WriteFont(bool force) {
  const TFontRecord& f = Font();
  TFontRecord& w = written_.font;
  auto flag = [&](uint8_t code, bool now, bool before) {
    if (force || now != before)
      out_->RecordOneOf<kFontBold, kFontItalic, kFontUnderline, kFontStrikeOut, kFontSuperscript,
                        kFontSubscript>(code, Byte{static_cast<uint8_t>(now ? 1 : 0)});
  };
  if (force || f.Name != w.Name) out_->Record<kFontName>(Text{f.Name.left(kMaxFontNameLength)});
  if (force || f.Color != w.Color) out_->Record<kFontColor>(Int{static_cast<int32_t>(f.Color)});
  if (force || f.Pitch != w.Pitch) out_->Record<kFontPitch>(Byte{static_cast<uint8_t>(f.Pitch)});
  // A new name or pitch brings a new reference width with it, as a new height does.
  if (force || f.Height != w.Height || f.Name != w.Name || f.Pitch != w.Pitch) {
    reference_written_ = ReferenceWidth();
    out_->Record<kFontHeight>(Real{f.Height}, Real{reference_written_});
    reference_at_ = out_->Position() - kRealSize;
  }
  flag(kFontBold, f.Bold, w.Bold);
  flag(kFontItalic, f.Italic, w.Italic);
  flag(kFontUnderline, f.Underline, w.Underline);
  flag(kFontStrikeOut, f.StrikeOut, w.StrikeOut);
  flag(kFontSuperscript, f.Superscript, w.Superscript);
  flag(kFontSubscript, f.Subscript, w.Subscript);
  if (force || f.Rotation != w.Rotation)
    out_->Record<kFontRotation>(Short{static_cast<int16_t>(f.Rotation)});
  if (force || f.Align != w.Align) out_->Record<kFontAlign>(Byte{static_cast<uint8_t>(f.Align)});
  w = f;
}

void TReportFiler::WritePen(bool force) {
  const TPenRecord& p = Pen();
  TPenRecord& w = written_.pen;
  if (force || p.Color != w.Color) out_->Record<kPenColor>(Int{static_cast<int32_t>(p.Color)});
  if (force || p.Mode != w.Mode) out_->Record<kPenMode>(Byte{static_cast<uint8_t>(p.Mode)});
  if (force || p.Style != w.Style) out_->Record<kPenStyle>(Byte{static_cast<uint8_t>(p.Style)});
  const double width = p.Width / XDPI();
  if (force || width != written_.pen_width_inches) out_->Record<kPenWidth>(Real{width});
  w = p;
  written_.pen_width_inches = width;
}

void TReportFiler::WriteScale(bool) {
  out_->Record<kScaleX>(Real{ScaleX()});
  out_->Record<kScaleY>(Real{ScaleY()});
}

void TReportFiler::WriteTextBK(bool) {
  out_->Record<kBackgroundMode>(Byte{static_cast<uint8_t>(TextBKMode())});
  out_->Record<kBackgroundColor>(Int{static_cast<int32_t>(BKColor())});
}

void TReportFiler::WriteLineMetrics(bool) {
  out_->Record<kLineMetrics>(Real{ToInches(Ascent())}, Real{ToInches(Descent())},
                             Real{ToInches(LineHeight())});
}

void TReportFiler::FontChanged() {
  if (Recording()) WriteFont(false);
}

void TReportFiler::SettleReferenceWidth() {
  if (reference_at_ == 0) return;
  // The styles that follow a height (its own change's or the next calls') are in force now.
  const double width = ReferenceWidth();
  if (width != reference_written_) out_->PatchReal(reference_at_, width);
  reference_at_ = 0;
}

double TReportFiler::ReferenceWidth() {
  return TextWidthInches(QString::fromLatin1(kFontReferenceText.data(),
                                             static_cast<qsizetype>(kFontReferenceText.size())));
}

void TReportFiler::BrushChanged() {
  if (Recording()) WriteBrush(false);
}

void TReportFiler::PenChanged() {
  if (Recording()) WritePen(false);
}

void TReportFiler::TextBKChanged() {
  if (Recording()) WriteTextBK(false);
}

void TReportFiler::ScaleChanged() {
  if (Recording()) WriteScale(false);
}

void TReportFiler::LineMetricsChanged() {
  if (Recording()) WriteLineMetrics(false);
}

void TReportFiler::OrientationChanged() {
  // The page model re-reads the geometry next: the device turns the paper first.
  ApplyOrientation();
  if (Recording()) out_->Record<kOrientation>(Byte{static_cast<uint8_t>(Orientation())});
}

void TReportFiler::DestinationsChanged(TAllowKind kind) {
  if (!Recording()) return;
  const Code code = kind == akPreviewOnly   ? kAllowPreviewOnly
                    : kind == akPrinterOnly ? kAllowPrinterOnly
                                            : kAllowAll;
  out_->RecordOneOf<kAllowPreviewOnly, kAllowPrinterOnly, kAllowAll>(code);
}

// ---- operands

Rect TReportFiler::DeviceInches(const QRect& r) const {
  // Device pixels back to page inches; right and bottom are the exclusive edges.
  return Rect{XD2I(r.left()), YD2I(r.top()), XD2I(r.left() + r.width()),
              YD2I(r.top() + r.height())};
}

PointList TReportFiler::DeviceInches(const QPolygon& points) const {
  if (points.size() > kMaxListPoints) throw EReportError("Too many points for one report record.");
  PointList list;
  list.points.reserve(static_cast<size_t>(points.size()));
  for (const QPoint& p : points) list.points.emplace_back(XD2I(p.x()), YD2I(p.y()));
  return list;
}

Graphic TReportFiler::Bitmap(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.isNull()) image.save(&buffer, "BMP");
  return Graphic{kGraphicBitmap, bytes};
}

// ---- output

void TReportFiler::OutText(TTextAlign align, const QString& text, double x, double line_y) {
  if (!Recording()) return;
  SettleReferenceWidth();
  static const QString marker = QString::fromLatin1(
      kMacroMarker.data(), static_cast<qsizetype>(kMacroMarker.size()));
  const bool as_text =
      accuracy_method_ == amAppearance || FontRotation() != 0 || text.contains(marker);
  if (as_text) {
    const Code code = align == taLeft ? kPrintLeft : align == taCenter ? kPrintCenter : kPrintRight;
    out_->RecordOneOf<kPrintLeft, kPrintCenter, kPrintRight>(code, Real{line_y}, Text{text},
                                                             Real{x});
    return;
  }
  const double w = OutTextWidthInches();  // measured for the cursor a moment ago
  const double left = align == taLeft ? x : align == taCenter ? x - w / 2 : x - w;
  OutBlock(text, left, line_y, w);
}

void TReportFiler::OutBlock(const QString& text, double x, double line_y, double width) {
  if (!Recording()) return;
  SettleReferenceWidth();
  out_->Record<kPrintBlock>(Real{line_y}, Text{text}, Real{x}, Real{width});
}

void TReportFiler::OutArc(TArcKind kind, double x1, double y1, double x2, double y2, double x3,
                          double y3, double x4, double y4) {
  if (!Recording()) return;
  out_->RecordOneOf<kArc, kChord, kPie>(kind == akArc ? kArc : kind == akChord ? kChord : kPie,
                                        Point{x1, y1}, Point{x2, y2}, Point{x3, y3}, Point{x4, y4});
}

// The plain ops: each records its numbers as they come.
#define REPORT_FILER_PLAIN_HOOK(X, name, code, layout, count)        \
  void TReportFiler::Out##name REPORT_VALUE_PARAMETERS_##count {     \
    if (Recording()) out_->RecordValues<k##name>(REPORT_VALUE_ARGUMENTS_##count); \
  }
REPORT_FILE_PLAIN_OPS(REPORT_FILER_PLAIN_HOOK, _)
#undef REPORT_FILER_PLAIN_HOOK

// An empty list has nothing to draw and no count to write: no record.
void TReportFiler::OutPolygon(const QPolygon& points) {
  if (Recording() && !points.isEmpty()) out_->Record<kPolygon>(DeviceInches(points));
}

void TReportFiler::OutPolyline(const QPolygon& points) {
  if (Recording() && !points.isEmpty()) out_->Record<kPolyline>(DeviceInches(points));
}

void TReportFiler::OutFillRect(const QRect& rect) {
  if (Recording()) out_->Record<kFillRect>(DeviceInches(rect));
}

void TReportFiler::OutFrameRect(const QRect& rect) {
  if (Recording()) out_->Record<kFrameRect>(DeviceInches(rect));
}

void TReportFiler::OutDrawFocusRect(const QRect& rect) {
  if (Recording()) out_->Record<kDrawFocusRect>(DeviceInches(rect));
}

void TReportFiler::OutFloodFill(double x, double y, TColor color, int fill_style) {
  if (Recording())
    out_->Record<kFloodFill>(Point{x, y}, Int{static_cast<int32_t>(color)}, Int{fill_style});
}

void TReportFiler::OutBrushCopy(const QRect& dest, const QImage& bitmap, const QRect& source,
                                TColor color) {
  if (!Recording()) return;
  // The source is a rectangle of the bitmap's own pixels: it is kept as it is, not as inches.
  const Rect source_pixels{static_cast<double>(source.left()), static_cast<double>(source.top()),
                           static_cast<double>(source.left() + source.width()),
                           static_cast<double>(source.top() + source.height())};
  out_->Record<kBrushCopy>(Bitmap(bitmap), DeviceInches(dest), source_pixels,
                           Int{static_cast<int32_t>(color)});
}

void TReportFiler::OutCopyRect(const QRect&, const QImage&, const QRect&) {
  throw EReportError(kCopyRectInFile);
}

void TReportFiler::OutDraw(double x, double y, const QImage& graphic) {
  if (Recording()) out_->Record<kDraw>(Bitmap(graphic), Point{x, y});
}

void TReportFiler::OutStretchDraw(const QRect& rect, const QImage& graphic) {
  if (Recording()) out_->Record<kStretchDraw>(Bitmap(graphic), DeviceInches(rect));
}

void TReportFiler::OutTextRect(const QRect& rect, double x, double y, const QString& text) {
  if (!Recording()) return;
  SettleReferenceWidth();
  out_->Record<kTextRect>(DeviceInches(rect), Point{x, y}, Text{text});
}

void TReportFiler::OutPrintBitmap(double x, double y, double scale_x, double scale_y,
                                  const QImage& bitmap) {
  if (!Recording()) return;
  out_->Record<kBitmapMode>(Byte{static_cast<uint8_t>(BitmapMode() ? 1 : 0)});
  out_->Record<kPrintBitmap>(Bitmap(bitmap), Point{x, y}, Real{scale_x}, Real{scale_y});
}

void TReportFiler::OutPrintBitmapRect(double x1, double y1, double x2, double y2,
                                      const QImage& bitmap) {
  if (!Recording()) return;
  out_->Record<kBitmapMode>(Byte{static_cast<uint8_t>(BitmapMode() ? 1 : 0)});
  out_->Record<kPrintBitmapRect>(Bitmap(bitmap), Point{x1, y1}, Point{x2, y2});
}

void TReportFiler::OutCreatePolygonRegion(const QPolygon& points) {
  if (Recording() && !points.isEmpty()) out_->Record<kCreatePolygonRegion>(DeviceInches(points));
}

void TReportFiler::OutPrintData(const QByteArray& data) {
  if (Recording()) out_->Record<kPrintData>(TextBytes{data});
}

void TReportFiler::OutPrintDataStream(QIODevice& stream, qint64 count) {
  if (!Recording() || count <= 0) return;
  count = std::min<qint64>(count, INT32_MAX);
  // The bytes are copied from the stream as they come, not gathered into one operand first.
  static_assert(LayoutIs(kPrintDataStream, std::array{'D'}));
  out_->Byte(kPrintDataStream);
  const qint64 count_at = out_->Position();
  out_->Int(static_cast<int32_t>(count));
  qint64 copied = 0;
  char block[kDataBlockSize];
  while (copied < count) {
    const qint64 n = stream.read(block, std::min<qint64>(kDataBlockSize, count - copied));
    if (n <= 0) break;
    out_->Bytes(block, n);
    copied += n;
  }
  // A source that ran dry early: the record holds what was really copied.
  if (copied != count) out_->PatchInt(count_at, static_cast<int32_t>(copied));
}

bool TReportFiler::OutSelectBin(const QString& name) {
  if (!Recording()) return false;
  out_->Record<kSelectBin>(Text{name});
  return true;
}
