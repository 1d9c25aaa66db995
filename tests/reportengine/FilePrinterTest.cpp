// Playback of report files: a report drawn straight into a recording report and the same
// report written to a file and played back into a recording player give the same output
// calls, op by op; the width fitting of fonts; broken files; page ranges and macros.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "ReportFileTestSupport.h"
#include "reportengine/FilePrinter.h"
#include "reportengine/RecordWriter.h"
#include "reportengine/ReportError.h"
#include "reportengine/ReportFileFormat.h"
#include "reportengine/ReportFiler.h"

using namespace report_file;

namespace {

std::string Num(double v) { return QString::number(v, 'f', 3).toStdString(); }

std::string ImageKey(const QImage& image) {
  if (image.isNull()) return "null";
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const QByteArray hash = QCryptographicHash::hash(
      QByteArrayView(reinterpret_cast<const char*>(rgb.constBits()), rgb.sizeInBytes()),
      QCryptographicHash::Md5);
  return std::to_string(image.width()) + "x" + std::to_string(image.height()) + ":" +
         hash.toHex().left(8).toStdString();
}

// Appends one line per output call, with the drawing state it was made in.
template <class Base>
class Logging : public Base {
 public:
  using Base::Base;
  std::vector<std::string> log;

 protected:
  using typename Base::TArcKind;
  using typename Base::TTextAlign;

  std::string State() {
    const TFontRecord& f = this->Font();
    const TPenRecord& p = this->Pen();
    const TBrushRecord& b = this->Brush();
    return " | font " + f.Name.toStdString() + " " + std::to_string(f.Color) + " " +
           std::to_string(f.Pitch) + " " + Num(f.Height) + " " + std::to_string(f.Bold) +
           std::to_string(f.Underline) + std::to_string(f.Italic) + std::to_string(f.StrikeOut) +
           std::to_string(f.Superscript) + std::to_string(f.Subscript) + " " +
           std::to_string(f.Rotation) + " " + std::to_string(f.Align) + " | pen " +
           std::to_string(p.Color) + " " + std::to_string(p.Style) + " " + std::to_string(p.Width) +
           " " + std::to_string(p.Mode) + " | brush " + std::to_string(b.Color) + " " +
           std::to_string(b.Style) + " " + ImageKey(b.Pattern) + " | bk " +
           std::to_string(this->TextBKMode()) + " " + std::to_string(this->BKColor()) +
           " | bitmap " + std::to_string(this->BitmapMode());
  }
  std::string Metrics() {
    return " | metrics " + Num(this->Ascent()) + " " + Num(this->Descent()) + " " +
           Num(this->LineHeight());
  }
  void Add(const std::string& line) { log.push_back(line + State()); }
  static std::string R(const QRect& r) {
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + "," + std::to_string(r.width()) +
           "," + std::to_string(r.height());
  }
  static std::string Poly(const QPolygon& points) {
    std::string s;
    for (const QPoint& p : points) s += " " + std::to_string(p.x()) + "," + std::to_string(p.y());
    return s;
  }

  void OutText(TTextAlign align, const QString& text, double x, double y) override {
    Add("text " + std::to_string(align) + " [" + text.toStdString() + "] " + Num(x) + " " + Num(y) +
        Metrics());
  }
  void OutBlock(const QString& text, double x, double y, double w) override {
    Add("block [" + text.toStdString() + "] " + Num(x) + " " + Num(y) + " " + Num(w) + Metrics());
  }
  void OutArc(TArcKind kind, double x1, double y1, double x2, double y2, double x3, double y3,
              double x4, double y4) override {
    Add("arc " + std::to_string(kind) + " " + Num(x1) + " " + Num(y1) + " " + Num(x2) + " " +
        Num(y2) + " " + Num(x3) + " " + Num(y3) + " " + Num(x4) + " " + Num(y4));
  }
  void OutEllipse(double a, double b, double c, double d) override {
    Add("ellipse " + Num(a) + " " + Num(b) + " " + Num(c) + " " + Num(d));
  }
  void OutRectangle(double a, double b, double c, double d) override {
    Add("rectangle " + Num(a) + " " + Num(b) + " " + Num(c) + " " + Num(d));
  }
  void OutTabRectangle(double a, double b, double c, double d) override {
    Add("tabrect " + Num(a) + " " + Num(b) + " " + Num(c) + " " + Num(d));
  }
  void OutRoundRect(double a, double b, double c, double d, double w, double h) override {
    Add("roundrect " + Num(a) + " " + Num(b) + " " + Num(c) + " " + Num(d) + " " + Num(w) + " " +
        Num(h));
  }
  void OutMoveTo(double x, double y) override { Add("moveto " + Num(x) + " " + Num(y)); }
  void OutLineTo(double x, double y) override { Add("lineto " + Num(x) + " " + Num(y)); }
  void OutPolygon(const QPolygon& p) override { Add("polygon" + Poly(p)); }
  void OutPolyline(const QPolygon& p) override { Add("polyline" + Poly(p)); }
  void OutFillRect(const QRect& r) override { Add("fillrect " + R(r)); }
  void OutFrameRect(const QRect& r) override { Add("framerect " + R(r)); }
  void OutDrawFocusRect(const QRect& r) override { Add("focusrect " + R(r)); }
  void OutFloodFill(double x, double y, TColor c, int s) override {
    Add("floodfill " + Num(x) + " " + Num(y) + " " + std::to_string(c) + " " + std::to_string(s));
  }
  void OutBrushCopy(const QRect& d, const QImage& b, const QRect& s, TColor c) override {
    Add("brushcopy " + R(d) + " " + ImageKey(b) + " " + R(s) + " " + std::to_string(c));
  }
  void OutDraw(double x, double y, const QImage& g) override {
    Add("draw " + Num(x) + " " + Num(y) + " " + ImageKey(g));
  }
  void OutStretchDraw(const QRect& r, const QImage& g) override {
    Add("stretchdraw " + R(r) + " " + ImageKey(g));
  }
  void OutTextRect(const QRect& r, double x, double y, const QString& t) override {
    Add("textrect " + R(r) + " " + Num(x) + " " + Num(y) + " [" + t.toStdString() + "]");
  }
  void OutPrintBitmap(double x, double y, double sx, double sy, const QImage& b) override {
    Add("bitmap " + Num(x) + " " + Num(y) + " " + Num(sx) + " " + Num(sy) + " " + ImageKey(b));
  }
  void OutPrintBitmapRect(double a, double b, double c, double d, const QImage& g) override {
    Add("bitmaprect " + Num(a) + " " + Num(b) + " " + Num(c) + " " + Num(d) + " " + ImageKey(g));
  }
  void OutCreateRectRegion(double a, double b, double c, double d) override {
    Add("rectregion " + Num(a) + " " + Num(b) + " " + Num(c) + " " + Num(d));
  }
  void OutCreateRoundRectRegion(double a, double b, double c, double d, double w, double h) override {
    Add("roundregion " + Num(a) + " " + Num(b) + " " + Num(c) + " " + Num(d) + " " + Num(w) + " " +
        Num(h));
  }
  void OutCreateEllipticRegion(double a, double b, double c, double d) override {
    Add("ellipseregion " + Num(a) + " " + Num(b) + " " + Num(c) + " " + Num(d));
  }
  void OutCreatePolygonRegion(const QPolygon& p) override { Add("polyregion" + Poly(p)); }
  void OutSelectClipRegion() override { Add("selectclip"); }
  void OutClearClipRegion() override { Add("clearclip"); }
  void OutDeleteRegion() override { Add("deleteregion"); }
  void OutBeginPath() override { Add("beginpath"); }
  void OutEndPath() override { Add("endpath"); }
  void OutSelectClipPath() override { Add("selectclippath"); }
  void OutStrokePath() override { Add("strokepath"); }
  void OutStrokeAndFillPath() override { Add("strokeandfillpath"); }
  void OutPrintData(const QByteArray& d) override { Add("data [" + d.toStdString() + "]"); }
  void OutPrintDataStream(QIODevice& s, qint64 n) override {
    Add("datastream " + std::to_string(n) + " [" + s.read(n).toStdString() + "]");
  }
  bool OutSelectBin(const QString& name) override {
    if (this->Printing()) Add("bin [" + name.toStdString() + "]");
    return true;
  }
};

// The report drawn straight into the log, at the writer's no-printer geometry.
class DirectLog : public Logging<TBaseReport> {
 protected:
  TPageGeometry DeviceGeometry() override { return TREDevice::Instance().Geometry(); }
};

// The player, its output calls logged instead of drawn.
using PlayerLog = Logging<TFilePrinter>;

QImage Picture(int w, int h, QRgb base) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, base ^ static_cast<QRgb>((x * 37 + y * 91) & 0xFF));
  return image;
}

// Every drawing operation and state change of the page model, on two pages.
void EveryOperation(TBaseReport& r) {
  const QImage picture = Picture(5, 4, 0xFF204060);
  r.SetFont("Times New Roman", 12);
  r.SetFontColor(0x0000C0);
  r.PrintLeft("Left text", 1);
  r.PrintCenter("Centred", 4.25);
  r.PrintRight(QString::fromUtf8("Right \xE2\x82\xAC"), 7.5);
  r.PrintBlock("Spread over two inches", 1, 2);
  r.NewLine();
  r.SetBold(true);
  r.SetItalic(true);
  r.SetUnderline(true);
  r.SetStrikeOut(true);
  r.Print("Styled");
  r.SetFont("Courier New", 9);
  r.SetFontPitch(fpFixed);
  r.SetSuperscript(true);
  r.PrintLeft("sup", 2);
  r.SetSubscript(true);
  r.PrintLeft("sub", 2.5);
  r.SetSubscript(false);
  r.SetFontRotation(90);
  r.PrintLeft("Up", 3);
  r.SetFontRotation(0);
  r.SetFontAlign(faTop);
  r.PrintLeft("Top", 3.5);
  r.SetFontAlign(faBaseline);
  r.SetTextBKMode(bkOpaque);
  r.SetBKColor(0x00FFFF);
  r.PrintLeft("Opaque", 4);
  r.SetTextBKMode(bkTransparent);
  r.SetLinesPerInch(8);
  r.NewLine();
  r.SetTab(0.5, pjLeft, 1.5, 5, kBoxLineAll, 20);
  r.SetTab(-1, pjRight, 1.0, 5, kBoxLineBottom, 0);
  r.SetTab(-1, pjCenter, 1.0, 0, 0, 0);
  r.Print("\tcell one\tcell two\tthree");
  r.NewLine();
  r.Tab(-2, 3, kTabDefault, 0, 60);
  r.Print("thick");
  r.SetPen(0x00FF00, psDash, 2, pmXor);
  r.SetBrush(0xFF0000, bsCross);
  r.Arc(1, 3, 2, 4, 1, 3.5, 2, 3.5);
  r.Chord(2, 3, 3, 4, 2, 3.5, 3, 3.5);
  r.Pie(3, 3, 4, 4, 3, 3.5, 4, 3.5);
  r.Ellipse(4, 3, 5, 4);
  r.Rectangle(5, 3, 6, 4);
  r.TabRectangle(6, 3, 7, 4);
  r.RoundRect(1, 4.5, 2, 5, 0.2, 0.1);
  r.MoveTo(1, 5.5);
  r.LineTo(7, 5.75);
  r.SetPen(0x123456, psSolid, -3, pmCopy);  // hundredths of an inch
  r.Polygon(QPolygon({QPoint(100, 600), QPoint(150, 620), QPoint(120, 650)}));
  r.Polyline(QPolygon({QPoint(200, 600), QPoint(250, 620), QPoint(220, 650), QPoint(260, 660)}));
  r.SetBrush(0x808080, bsSolid, Picture(8, 8, 0xFF000000));
  r.FillRect(QRect(300, 600, 40, 30));
  r.FrameRect(QRect(350, 600, 40, 30));
  r.DrawFocusRect(QRect(400, 600, 40, 30));
  r.SetBrush(0x808080, bsSolid);
  r.FloodFill(5, 6, 0x000000, 1);
  r.BrushCopy(QRect(450, 600, 20, 16), picture, QRect(1, 1, 3, 2), 0x204060);
  r.Draw(1, 7, picture);
  r.StretchDraw(QRect(100, 700, 50, 40), picture);
  r.TextRect(QRect(200, 700, 80, 20), 2.2, 7.3, "Clipped text");
  r.SetBitmapMode(true);
  r.PrintBitmap(3, 7, 2, 3, picture);
  r.SetBitmapMode(false);
  r.PrintBitmapRect(4, 7, 5, 7.5, picture);
  r.CreateRectRegion(1, 8, 2, 9);
  r.CreateRoundRectRegion(2, 8, 3, 9, 0.25, 0.25);
  r.CreateEllipticRegion(3, 8, 4, 9);
  r.CreatePolygonRegion(QPolygon({QPoint(400, 770), QPoint(480, 770), QPoint(440, 860)}));
  r.SelectClipRegion();
  r.DeleteRegion();
  r.ClearClipRegion();
  r.BeginPath();
  r.MoveTo(5, 8);
  r.LineTo(6, 9);
  r.EndPath();
  r.StrokePath();
  r.SelectClipPath();
  r.StrokeAndFillPath();
  r.PrintData("raw\x1b" "data");
  QByteArray stream_bytes("0123456789");
  QBuffer stream(&stream_bytes);
  stream.open(QIODevice::ReadOnly);
  r.PrintDataStream(stream, 6);
  r.SelectBin("Tray 2");
  r.AllowPrinterOnly();
  r.PrintLeft("printer only", 1);
  r.AllowPreviewOnly();
  r.PrintLeft("preview only", 1);
  r.AllowAll();
  r.SetOriginX(0.5);
  r.SetOriginY(0.25);
  r.PrintLeft("moved", 1);
  r.Rectangle(1, 1, 2, 2);
  r.NewPage();
  r.PrintLeft("Second page", 1);
  r.SetItalic(false);
  r.PrintCenter("plain again", 4);
  r.SetOrientation(poLandScape);
  r.PrintLeft("Landscape", 1);
}

std::vector<std::string> Played(const QByteArray& file, int page, double dpi = 96) {
  QByteArray copy = file;
  QBuffer buffer(&copy);
  PlayerLog player;
  player.SetStreamMode(smUser);
  player.SetStream(&buffer);
  QImage image(10, 10, QImage::Format_RGB32);
  image.setDotsPerMeterX(qRound(dpi / 0.0254));
  image.setDotsPerMeterY(qRound(dpi / 0.0254));
  QPainter painter(&image);
  if (!player.PlayPage(page, painter, dpi, dpi)) return {"no page"};
  return player.log;
}

QByteArray Written(const std::function<void(TBaseReport&)>& draw,
                   TAccuracyMethod method = amAppearance, int first_page = 1) {
  QByteArray data;
  QBuffer buffer(&data);
  TReportFiler filer;
  filer.SetFirstPage(first_page);
  filer.SetStreamMode(smUser);
  filer.SetStream(&buffer);
  filer.SetAccuracyMethod(method);
  filer.OnPrint = draw;
  filer.Execute();
  return data;
}

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EReportError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(FilePlayback, EveryOperationPlaysBackAsItWasDrawn) {
  NoPrinters no_printers;
  DirectLog direct;
  direct.OnPrint = EveryOperation;
  direct.Execute();
  // The direct report's pages, split at its page break.
  std::vector<std::string> direct_pages[2];
  {
    int page = 0;
    for (const std::string& line : direct.log) {
      if (line.rfind("text 0 [Second page]", 0) == 0) page = 1;
      direct_pages[page].push_back(line);
    }
  }
  const QByteArray file = Written(EveryOperation);
  const std::vector<std::string> first = Played(file, 1);
  const std::vector<std::string> second = Played(file, 2);
  ASSERT_GT(direct_pages[0].size(), 50u);
  ASSERT_EQ(first.size(), direct_pages[0].size());
  for (size_t i = 0; i < first.size(); ++i) EXPECT_EQ(first[i], direct_pages[0][i]) << "call " << i;
  ASSERT_EQ(second.size(), direct_pages[1].size());
  for (size_t i = 0; i < second.size(); ++i) EXPECT_EQ(second[i], direct_pages[1][i]) << "call " << i;
  // Output restricted to the preview never reaches the printer's player.
  for (const std::string& line : first) EXPECT_EQ(line.find("preview only"), std::string::npos);
}

TEST(FilePlayback, BlocksKeepTheirWrittenWidth) {
  NoPrinters no_printers;
  // On the device that wrote them the texts already have their width: drawn in one piece.
  const QByteArray file = Written(
      [](TBaseReport& r) {
        r.PrintLeft("Left", 1);
        r.PrintRight("Right", 7);
      },
      amPositioning);
  const std::vector<std::string> log = Played(file, 1);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].rfind("text 0 [Left] 1.000 ", 0), 0u) << log[0];
  EXPECT_EQ(log[1].rfind("text 0 [Right] ", 0), 0u) << log[1];
  // A width the text does not have here: spread over exactly that width.
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadWrite);
  RecordWriter out(&buffer);
  BeginOnePageFile(out);
  out.Byte(kPrintBlock);
  out.Real(2);
  out.Text("Spread wide");
  out.Real(1);
  out.Real(3);
  out.Byte(kEndPage);
  out.Flush();
  const std::vector<std::string> spread = Played(data, 1);
  ASSERT_EQ(spread.size(), 1u);
  EXPECT_EQ(spread[0].rfind("block [Spread wide] 1.000 2.000 3.000", 0), 0u) << spread[0];
}

namespace {

// A one-page file whose font height record carries `reference` as its reference width,
// followed (when `bold`) by the bold flag, and one text.
QByteArray FileWithReference(double height, double reference, bool bold = false) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadWrite);
  RecordWriter out(&buffer);
  BeginOnePageFile(out);
  out.Byte(kFontName);
  out.Text("Arial");
  out.Byte(kFontHeight);
  out.Real(height);
  out.Real(reference);
  if (bold) {
    out.Byte(kFontBold);
    out.Byte(1);
  }
  out.Byte(kPrintLeft);
  out.Real(1);
  out.Text("x");
  out.Real(1);
  out.Byte(kEndPage);
  out.Flush();
  return data;
}

double PlayedHeight(const std::vector<std::string>& log, size_t index = 0) {
  // "... | font Arial <colour> <pitch> <height> ..."
  const std::string& line = log.at(index);
  const size_t at = line.find("| font Arial ");
  std::istringstream in(line.substr(at + 13));
  int colour = 0, pitch = 0;
  double height = 0;
  in >> colour >> pitch >> height;
  return height;
}

}  // namespace

TEST(FilePlayback, FontsNarrowerThanTheReferenceWidthAreKeptWiderOnesShrink) {
  NoPrinters no_printers;
  // The writer's own width: the playback font keeps its height.
  const QString reference = QString::fromLatin1(kFontReferenceText.data(),
                                                static_cast<qsizetype>(kFontReferenceText.size()));
  double own = 0;
  Written([&](TBaseReport& r) {
    r.SetFont("Arial", 18);
    own = r.TextWidth(reference);
  });
  const double height = 18.0 / 72.0;
  EXPECT_NEAR(PlayedHeight(Played(FileWithReference(height, own + 0.01), 1)), height, 1e-3);
  // A wider reference never enlarges the font.
  EXPECT_NEAR(PlayedHeight(Played(FileWithReference(height, own * 2), 1)), height, 1e-3);
  // A narrower one: lowered until the text fits.
  const double fitted = PlayedHeight(Played(FileWithReference(height, own * 0.9), 1));
  EXPECT_LT(fitted, height * 0.95);
  EXPECT_GT(fitted, height * 0.8);
  // Far narrower: the loop jumps, and still ends at a height that fits.
  const double tiny = PlayedHeight(Played(FileWithReference(height, own * 0.3), 1));
  EXPECT_LT(tiny, height * 0.35);
  EXPECT_GT(tiny, 0);
}

// A few kilobytes of font height records, each with its own height and a reference width
// far below anything drawable, once made playback create some 65 fonts a record and keep
// them all, searched one by one: minutes and hundreds of megabytes. Now each record costs a
// fixed handful of fonts, and the fonts kept are bounded.
TEST(FilePlayback, CraftedFontHeightsCostWorkInProportionToTheFile) {
  NoPrinters no_printers;
  const auto fonts_created = [](int records) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadWrite);
    RecordWriter out(&buffer);
    BeginOnePageFile(out);
    for (int i = 0; i < records; ++i) {
      out.Byte(kFontHeight);
      out.Real(0.2 + i * 0.0013);
      out.Real(1e-6);
      out.Byte(kPrintLeft);
      out.Real(1);
      out.Text("x");
      out.Real(1);
    }
    out.Byte(kEndPage);
    out.Flush();
    buffer.seek(0);
    PlayerLog player;
    player.SetStreamMode(smUser);
    player.SetStream(&buffer);
    // At a printer's resolution, where the walk down a pixel at a time is longest.
    QImage image(10, 10, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(600 / 0.0254));
    image.setDotsPerMeterY(qRound(600 / 0.0254));
    QPainter painter(&image);
    EXPECT_TRUE(player.PlayPage(1, painter, 600, 600));
    EXPECT_LE(player.RealizedFontCount(), TBaseReport::kMaxRealizedFonts);
    return player.FontsCreated();
  };
  const int64_t hundred = fonts_created(100);
  EXPECT_LE(hundred, 100 * 3);
  EXPECT_LE(fonts_created(200), 2 * hundred + 3);
}

TEST(FilePlayback, TheReferenceWidthIsThatOfTheWholeFontItsRecordsSetUp) {
  NoPrinters no_printers;
  const QString reference = QString::fromLatin1(kFontReferenceText.data(),
                                                static_cast<qsizetype>(kFontReferenceText.size()));
  double plain = 0, bold = 0;
  // One font change turns bold off with a new size: the reader meets the height before the
  // bold flag that goes with it, and still keeps both recorded heights.
  const QByteArray file = Written([&](TBaseReport& r) {
    r.SetFont("Arial", 18);
    plain = r.TextWidth(reference);
    r.SetBold(true);
    bold = r.TextWidth(reference);
    r.PrintLeft("bold", 1);
    r.SetFont("Arial", 20);
    r.PrintLeft("plain", 1);
  });
  const std::vector<std::string> log = Played(file, 1);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_NEAR(PlayedHeight(log, 0), 18.0 / 72.0, 1e-3);
  EXPECT_NEAR(PlayedHeight(log, 1), 20.0 / 72.0, 1e-3);
  // Bold text whose reference is narrower than this device's bold (though wider than its
  // plain face) is narrowed: the reference was measured in bold.
  ASSERT_GT(bold, plain);
  const double height = 18.0 / 72.0;
  EXPECT_LT(PlayedHeight(Played(FileWithReference(height, (plain + bold) / 2, true), 1)), height * 0.99);
}

TEST(FilePlayback, MacrosAreExpandedAtPlayback) {
  NoPrinters no_printers;
  const QByteArray file = Written([](TBaseReport& r) {
    r.PrintLeft(QStringLiteral("Page \375$RECM11 of \375$RECM10, last \375$RECM09"), 1);
    r.PrintLeft(QStringLiteral("[\375$RECM99][\375$RECM1x]"), 1);
    r.PrintLeft(QStringLiteral("\375$RECM07"), 1);
    r.NewPage();
  });
  const std::vector<std::string> log = Played(file, 1);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].rfind("text 0 [Page 1 of 2, last 9999]", 0), 0u) << log[0];
  EXPECT_EQ(log[1].rfind("text 0 [[][\xC3\xBD$RECM1x]]", 0), 0u) << log[1];  // UTF-8 in the log
  const std::string time = log[2].substr(8, 5);
  EXPECT_TRUE(QTime::fromString(QString::fromStdString(time), "HH:mm").isValid()) << log[2];
}

TEST(FilePlayback, ARequestPastTheEndShowsTheLastPage) {
  NoPrinters no_printers;
  const QByteArray file = Written([](TBaseReport& r) {
    r.PrintLeft("one", 1);
    r.NewPage();
    r.PrintLeft("two", 1);
  });
  const std::vector<std::string> log = Played(file, 7);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("text 0 [two]", 0), 0u);
  // A file without pages has nothing to show.
  EXPECT_EQ(Played(Written([](TBaseReport& r) { r.PrintLeft("skipped", 1); }, amAppearance, 3), 1),
            std::vector<std::string>({"no page"}));
}

TEST(FilePlayback, BrokenFilesStopWithTheFixedMessageAndLeaveTheStreamToItsOwner) {
  NoPrinters no_printers;
  const QByteArray good = Written([](TBaseReport& r) {
    r.PrintLeft("fine", 1);
    r.Rectangle(1, 1, 2, 2);
  });
  // The rectangle record sits just before the end code.
  const qsizetype rect_at = good.size() - 1 - 17;
  ASSERT_EQ(static_cast<uint8_t>(good[rect_at]), kRectangle);
  struct Case {
    const char* what;
    QByteArray bytes;
  };
  QByteArray unknown = good;
  unknown[rect_at] = 99;
  QByteArray truncated = good.left(good.size() - 5);
  QByteArray not_a_file = good;
  not_a_file[0] = 'X';
  QByteArray bad_style = good;
  bad_style.insert(rect_at, QByteArray("\x2A\x09", 2));  // brush style 9
  const Case cases[] = {{"unknown code", unknown},
                        {"truncated record", truncated},
                        {"not a report file", not_a_file},
                        {"brush style out of range", bad_style}};
  for (const Case& c : cases) {
    QByteArray data = c.bytes;
    QBuffer buffer(&data);
    PlayerLog player;
    player.SetStreamMode(smUser);
    player.SetStream(&buffer);
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    EXPECT_EQ(ErrorOf([&] { player.PlayPage(1, painter, 96, 96); }),
              "Unexpected code found in report file.")
        << c.what;
    EXPECT_FALSE(player.Printing()) << c.what;
    EXPECT_TRUE(buffer.isOpen()) << c.what;
  }
  PlayerLog nil;
  nil.SetStreamMode(smUser);
  QImage image(10, 10, QImage::Format_RGB32);
  QPainter painter(&image);
  EXPECT_EQ(ErrorOf([&] { nil.PlayPage(1, painter, 96, 96); }),
            "StreamMode is smUser but Stream is nil");
}

TEST(FilePlayback, PlaysOntoAnImageAtZoomAndDeviceOrigin) {
  NoPrinters no_printers;
  const QByteArray file = Written([](TBaseReport& r) {
    r.SetBrush(0x000000, bsSolid);
    r.SetPen(0x000000, psClear, 1, pmCopy);
    r.Rectangle(1, 1, 2, 2);
  });
  QByteArray copy = file;
  QBuffer buffer(&copy);
  TFilePrinter player;
  player.SetStreamMode(smUser);
  player.SetStream(&buffer);
  QImage image(500, 500, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    ASSERT_TRUE(player.PlayPage(1, painter, 100, 100, 200, QPoint(20, 10)));
  }
  // One inch at 100 pixels per inch and 200 %: 200 pixels, shifted by the origin.
  EXPECT_EQ(image.pixelColor(221, 211), QColor(Qt::black));
  EXPECT_EQ(image.pixelColor(218, 208), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(418, 408), QColor(Qt::black));
  EXPECT_EQ(image.pixelColor(423, 413), QColor(Qt::white));
  EXPECT_EQ(player.Zoom(), 100) << "the zoom belongs to that one page";
  EXPECT_FALSE(player.Printing());
  // The same stream plays again the same way.
  QImage again(500, 500, QImage::Format_RGB32);
  again.fill(Qt::white);
  {
    QPainter painter(&again);
    ASSERT_TRUE(player.PlayPage(1, painter, 100, 100, 200, QPoint(20, 10)));
  }
  EXPECT_EQ(again, image);
}

namespace {

// A memory stream that counts the bytes read from it.
class CountingBuffer : public QBuffer {
 public:
  using QBuffer::QBuffer;
  qint64 bytes_read = 0;

 protected:
  qint64 readData(char* data, qint64 size) override {
    const qint64 n = QBuffer::readData(data, size);
    if (n > 0) bytes_read += n;
    return n;
  }
};

}  // namespace

TEST(FilePlayback, LargePagesLoadInPiecesAndStaleBytesAreNeverRead) {
  NoPrinters no_printers;
  QByteArray data;
  {
    QBuffer buffer(&data);
    TReportFiler filer;
    filer.SetStreamMode(smUser);
    filer.SetStream(&buffer);
    filer.OnPrint = [](TBaseReport& r) {
      // One page of some 200 KB: several pieces of the first read.
      for (int i = 0; i < 12000; ++i) r.Rectangle(1, 1 + i * 0.0005, 2, 2);
      r.PrintLeft("end of the long page", 1);
    };
    filer.Execute();
  }
  ASSERT_GT(data.size(), 200000);
  CountingBuffer long_page(&data);
  PlayerLog player;
  player.SetStreamMode(smUser);
  player.SetStream(&long_page);
  QImage image(10, 10, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    ASSERT_TRUE(player.PlayPage(1, painter, 96, 96));
  }
  ASSERT_EQ(player.log.size(), 12001u);
  EXPECT_EQ(player.log.back().rfind("text 0 [end of the long page]", 0), 0u);

  // A one-page report written over it: the stale bytes behind it stay unread.
  {
    QBuffer buffer(&data);
    TReportFiler filer;
    filer.SetStreamMode(smUser);
    filer.SetStream(&buffer);
    filer.OnPrint = [](TBaseReport& r) { r.PrintLeft("short", 1); };
    filer.Execute();
  }
  CountingBuffer short_page(&data);
  PlayerLog again;
  again.SetStreamMode(smUser);
  again.SetStream(&short_page);
  {
    QPainter painter(&image);
    ASSERT_TRUE(again.PlayPage(1, painter, 96, 96));
  }
  ASSERT_EQ(again.log.size(), 1u);
  EXPECT_LT(short_page.bytes_read, 70000) << "of " << data.size();
}

namespace {

// A player that keeps its input open between pages, as the preview does.
class KeptOpen : public PlayerLog {
 public:
  using PlayerLog::CloseInput;
  using PlayerLog::InputOpen;
  using PlayerLog::OpenInput;
  using PlayerLog::PlayOpenPage;
};

}  // namespace

TEST(FilePlayback, PagesPlayOneAfterAnotherFromOneOpenInput) {
  NoPrinters no_printers;
  QByteArray file = Written([](TBaseReport& r) {
    r.PrintLeft("one", 1);
    r.NewPage();
    r.SetBold(true);
    r.PrintLeft("two", 1);
    r.NewPage();
    r.PrintLeft("three", 1);
  });
  QBuffer buffer(&file);
  KeptOpen player;
  player.SetStreamMode(smUser);
  player.SetStream(&buffer);
  player.OpenInput();
  EXPECT_EQ(player.PageCount(), 3);
  QImage image(10, 10, QImage::Format_RGB32);
  QPainter painter(&image);
  for (int page : {3, 1, 2}) ASSERT_TRUE(player.PlayOpenPage(page, painter, 96, 96));
  EXPECT_TRUE(player.InputOpen());
  EXPECT_EQ(player.FilePage(), 2);
  EXPECT_GT(player.NextLink(), player.PreviousLink());
  player.CloseInput();
  ASSERT_EQ(player.log.size(), 3u);
  EXPECT_EQ(player.log[0].rfind("text 0 [three]", 0), 0u);
  EXPECT_EQ(player.log[1].rfind("text 0 [one]", 0), 0u);
  EXPECT_EQ(player.log[2].rfind("text 0 [two]", 0), 0u);
  // Each page starts from its own state: bold on page two and three only.
  EXPECT_NE(player.log[0].find(" 100000 0 0 |"), std::string::npos) << player.log[0];
  EXPECT_NE(player.log[1].find(" 000000 0 0 |"), std::string::npos) << player.log[1];
}
