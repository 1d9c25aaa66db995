// The report file writer: header and page records byte for byte, the records each drawing
// call and state change produces, and the stream modes.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>

#include "PageModelTestSupport.h"
#include "ReportFileTestSupport.h"
#include "reportengine/ReportError.h"
#include "reportengine/ReportFileFormat.h"
#include "reportengine/ReportFiler.h"

using namespace report_file;

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

// A filer writing into a memory buffer, in the no-printer case.
class Filer : public ::testing::Test {
 protected:
  Filer() {
    buffer_.setBuffer(&data_);
    filer_.SetStreamMode(smUser);
    filer_.SetStream(&buffer_);
  }
  // Runs `draw` between Start and Finish and returns the file.
  template <typename F>
  const QByteArray& Write(F draw) {
    filer_.Start();
    draw(filer_);
    filer_.Finish();
    return data_;
  }

  NoPrinters no_printers_;
  QByteArray data_;
  QBuffer buffer_;
  TReportFiler filer_;
};

// The records between two text records of a page.
std::vector<int> CodesBetweenTexts(const std::vector<Decoded>& records) {
  std::vector<int> codes;
  bool inside = false;
  for (const Decoded& d : records) {
    const bool text = d.record.code == kPrintLeft || d.record.code == kPrintBlock;
    if (text && inside) return codes;
    if (text) inside = true;
    else if (inside) codes.push_back(d.record.code);
  }
  return {};
}

const std::vector<int> kFullState = {41, 42, 43, 51, 52, 53, 54, 55, 57, 56, 58, 59,
                                     60, 61, 62, 71, 72, 73, 74, 28, 29, 26, 27, 83};

}  // namespace

TEST_F(Filer, OnePageWithoutPrinterStartsWithTheFortyFiveHeaderBytes) {
  const QByteArray& file = Write([](TBaseReport&) {});
  ASSERT_GE(file.size(), 64);
  EXPECT_EQ(file.left(45).toHex(' '),
            (Hex("59 01 00 01 00 0F 27 00 00 08 41 00 00 30 41") + QByteArray(16, 0) +
             Hex("00 09 01 00 00 01 00 01 00 00 00 00 00 00"))
                .toHex(' '));
  EXPECT_EQ(file.mid(45, 19).toHex(' '),
            Hex("50 00 00 00 00 00 00 00 00 01 00 00 00 08 41 00 00 30 41").toHex(' '));
  EXPECT_EQ(Codes(PageRecords(file, 1)).size(), kFullState.size() + 1);
  EXPECT_EQ(file.back(), char(kEndPage));
}

TEST_F(Filer, PagesChainBothWaysAndTheLastLinksToNothing) {
  const QByteArray& file = Write([](TBaseReport& r) {
    r.NewPage();
    r.NewPage();
  });
  const auto* bytes = reinterpret_cast<const uint8_t*>(file.constData());
  EXPECT_EQ(Le16(bytes + kHdrPageCount), 3);
  const int64_t p1 = 45;
  const int64_t p2 = Le32(bytes + p1 + kPgNext);
  const int64_t p3 = Le32(bytes + p2 + kPgNext);
  EXPECT_EQ(bytes[p2], kPageHeader);
  EXPECT_EQ(bytes[p2 - 1], kEndPage);
  EXPECT_EQ(bytes[p3], kPageHeader);
  EXPECT_EQ(Le32(bytes + p2 + kPgPrevious), p1);
  EXPECT_EQ(Le32(bytes + p3 + kPgPrevious), p2);
  EXPECT_EQ(Le32(bytes + p3 + kPgNext), 0u);
  EXPECT_EQ(Le16(bytes + p3 + kPgNumber), 3);
  EXPECT_EQ(filer_.PagesWritten(), 3);
}

TEST_F(Filer, DeselectedPagesGetNoRecordAndNoNumber) {
  filer_.SetFirstPage(2);
  filer_.SetLastPage(2);
  const QByteArray& file = Write([](TBaseReport& r) {
    r.PrintLeft("one", 1);
    r.NewPage();
    r.PrintLeft("two", 1);
    r.NewPage();
    r.PrintLeft("three", 1);
  });
  const auto* bytes = reinterpret_cast<const uint8_t*>(file.constData());
  EXPECT_EQ(Le16(bytes + kHdrPageCount), 1);
  EXPECT_EQ(Le16(bytes + kHdrFirstPage), 2);
  EXPECT_EQ(Le16(bytes + 45 + kPgNumber), 1);
  EXPECT_EQ(Le32(bytes + 45 + kPgNext), 0u) << "the pages after it were not written";
  const std::vector<Decoded> page = PageRecords(file, 1);
  const auto text = std::find_if(page.begin(), page.end(),
                                 [](const Decoded& d) { return d.record.code == kPrintLeft; });
  ASSERT_NE(text, page.end());
  EXPECT_EQ(text->text, "two");
}

TEST_F(Filer, AReportWithEveryPageDeselectedHasAHeaderOnly) {
  filer_.SetFirstPage(5);
  filer_.SetLastPage(9);
  const QByteArray& file = Write([](TBaseReport& r) {
    r.PrintLeft("skipped", 1);
    r.NewPage();
    r.Rectangle(1, 1, 2, 2);
  });
  EXPECT_EQ(file.size(), 45);
  EXPECT_EQ(Le16(reinterpret_cast<const uint8_t*>(file.constData()) + kHdrPageCount), 0);
}

TEST_F(Filer, AnItalicChangeIsOneRecordAndANewPageRepeatsTheWholeState) {
  const QByteArray& file = Write([](TBaseReport& r) {
    r.PrintLeft("plain", 1);
    r.SetItalic(true);
    r.PrintLeft("italic", 1);
    r.NewPage();
  });
  const std::vector<Decoded> first = PageRecords(file, 1);
  EXPECT_EQ(CodesBetweenTexts(first), std::vector<int>({kFontItalic}));
  const auto italic = std::find_if(first.begin(), first.end(),
                                   [](const Decoded& d) { return d.record.code == kFontItalic; });
  // The page's initial state writes it as 0, the change as 1.
  EXPECT_EQ(std::count_if(first.begin(), first.end(),
                          [](const Decoded& d) { return d.record.code == kFontItalic; }),
            2);
  EXPECT_EQ(std::find_if(italic + 1, first.end(),
                         [](const Decoded& d) { return d.record.code == kFontItalic; })
                ->record.ints[0],
            1);
  std::vector<int> expected = kFullState;
  expected.push_back(kEndPage);
  const std::vector<Decoded> second = PageRecords(file, 2);
  EXPECT_EQ(Codes(second), expected);
  const auto italic2 = std::find_if(second.begin(), second.end(),
                                    [](const Decoded& d) { return d.record.code == kFontItalic; });
  EXPECT_EQ(italic2->record.ints[0], 1) << "the state carries over to the new page";
}

TEST_F(Filer, SetFontWritesOnlyTheFieldsThatDiffer) {
  const QByteArray& file = Write([](TBaseReport& r) {
    r.SetBold(true);
    r.PrintLeft("a", 1);
    r.SetFont("Times New Roman", 10);  // clears bold, keeps the size
    r.PrintLeft("b", 1);
  });
  const std::vector<Decoded> page = PageRecords(file, 1);
  // A new name brings a new reference width with it.
  EXPECT_EQ(CodesBetweenTexts(page), std::vector<int>({kFontName, kFontHeight, kFontBold}));
}

TEST_F(Filer, TheFontHeightRecordCarriesTheReferenceWidthOfTheNewFont) {
  const QString reference = QString::fromLatin1(
      kFontReferenceText.data(), static_cast<qsizetype>(kFontReferenceText.size()));
  double arial = 0, times = 0, timesBold = 0, plain = 0, bold = 0;
  const QByteArray& file = Write([&](TBaseReport& r) {
    r.SetFontSize(20);
    arial = r.TextWidth(reference);
    r.SetFontName("Times New Roman");
    times = r.TextWidth(reference);
    // A style alone writes its own record only, and the height's reference becomes the
    // width in the font the next text is drawn in.
    r.SetBold(true);
    timesBold = r.TextWidth(reference);
    r.PrintLeft("x", 1);
    r.SetBold(false);
    r.SetFontSize(24);
    plain = r.TextWidth(reference);
    r.SetBold(true);
    bold = r.TextWidth(reference);
    r.SetFont("Times New Roman", 24);  // bold cleared and a size set, in one change
    r.SetBold(true);
    r.SetFontSize(28);
    r.SetFontSize(24);  // measured bold, as the font now is
    r.PrintLeft("y", 1);
  });
  const std::vector<Decoded> page = PageRecords(file, 1);
  std::vector<const Decoded*> heights;
  for (const Decoded& d : page)
    if (d.record.code == kFontHeight) heights.push_back(&d);
  ASSERT_EQ(heights.size(), 6u) << "initial state, new size, new name, 24, 28, 24";
  EXPECT_FLOAT_EQ(static_cast<float>(heights[1]->record.reals[0]), 20.0f / 72.0f);
  EXPECT_FLOAT_EQ(static_cast<float>(heights[1]->record.reals[1]), static_cast<float>(arial));
  EXPECT_FLOAT_EQ(static_cast<float>(heights[2]->record.reals[0]), 20.0f / 72.0f);
  EXPECT_FLOAT_EQ(static_cast<float>(heights[2]->record.reals[1]), static_cast<float>(timesBold));
  EXPECT_FLOAT_EQ(static_cast<float>(heights[3]->record.reals[1]), static_cast<float>(plain));
  EXPECT_FLOAT_EQ(static_cast<float>(heights[5]->record.reals[0]), 24.0f / 72.0f);
  EXPECT_FLOAT_EQ(static_cast<float>(heights[5]->record.reals[1]), static_cast<float>(bold));
  EXPECT_NE(arial, times);
  EXPECT_GT(timesBold, times);
  EXPECT_GT(bold, plain);
}

TEST_F(Filer, TextRecordsCarryTheLineAndTheOrigin) {
  const QByteArray& file = Write([](TBaseReport& r) {
    r.GotoXY(1, 2);
    r.SetOriginX(0.5);
    r.SetOriginY(0.25);
    r.PrintLeft("left", 1);
    r.PrintCenter("centre", 4);
    r.PrintRight("right", 7);
  });
  const std::vector<Decoded> page = PageRecords(file, 1);
  std::vector<const Decoded*> texts;
  for (const Decoded& d : page)
    if (d.record.code >= kPrintCenter && d.record.code <= kPrintRight) texts.push_back(&d);
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0]->record.code, kPrintLeft);
  EXPECT_EQ(texts[1]->record.code, kPrintCenter);
  EXPECT_EQ(texts[2]->record.code, kPrintRight);
  for (const Decoded* t : texts) EXPECT_FLOAT_EQ(static_cast<float>(t->record.reals[0]), 2.25f);
  EXPECT_FLOAT_EQ(static_cast<float>(texts[0]->record.reals[1]), 1.5f);
  EXPECT_FLOAT_EQ(static_cast<float>(texts[1]->record.reals[1]), 4.5f);
  EXPECT_EQ(texts[2]->text, "right");
}

TEST_F(Filer, PositioningTurnsPlainTextIntoBlocksOfTheMeasuredWidth) {
  filer_.SetAccuracyMethod(amPositioning);
  double width = 0, empty = 0;
  const QByteArray& file = Write([&](TBaseReport& r) {
    width = r.TextWidth("Centred");
    empty = r.TextWidth("");
    r.PrintCenter("Centred", 4);
    r.PrintRight("Right", 6);
    r.PrintCenter("", 3);
    r.SetFontRotation(90);
    r.PrintLeft("Up", 1);  // rotated text stays text
    r.SetFontRotation(0);
    r.PrintLeft(QStringLiteral("Page \375$RECM11"), 1);  // so does text with a macro
  });
  const std::vector<Decoded> page = PageRecords(file, 1);
  std::vector<const Decoded*> texts;
  for (const Decoded& d : page)
    if (d.record.code == kPrintLeft || d.record.code == kPrintCenter ||
        d.record.code == kPrintRight || d.record.code == kPrintBlock)
      texts.push_back(&d);
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(texts[0]->record.code, kPrintBlock);
  EXPECT_NEAR(texts[0]->record.reals[1], 4 - width / 2, 1e-6);
  EXPECT_NEAR(texts[0]->record.reals[2], width, 1e-6);
  EXPECT_EQ(texts[1]->record.code, kPrintBlock);
  EXPECT_EQ(texts[2]->record.code, kPrintBlock);
  EXPECT_EQ(texts[2]->text, "");
  EXPECT_NEAR(texts[2]->record.reals[2], empty, 1e-6);
  EXPECT_GE(texts[2]->record.reals[2], 1.0 / 96 - 1e-7) << "at least one device pixel";
  EXPECT_EQ(texts[3]->record.code, kPrintLeft);
  EXPECT_EQ(texts[4]->record.code, kPrintLeft);
  EXPECT_EQ(texts[4]->text, QByteArray("Page \375$RECM11"));
}

TEST_F(Filer, PenWidthIsInchesAtTheWritingResolution) {
  const QByteArray& file = Write([](TBaseReport& r) {
    r.SetPen(0x0000FF, psDash, 3, pmCopy);
    r.MoveTo(1, 1);
  });
  const std::vector<Decoded> page = PageRecords(file, 1);
  const std::vector<int> codes = Codes(page);
  const auto move = std::find(codes.begin(), codes.end(), kMoveTo);
  ASSERT_NE(move, codes.end());
  // The change: colour, style and width, in group order, before the move.
  const std::vector<int> before(move - 3, move);
  EXPECT_EQ(before, std::vector<int>({kPenColor, kPenStyle, kPenWidth}));
  const Decoded& width = page[static_cast<size_t>(move - codes.begin() - 1)];
  EXPECT_FLOAT_EQ(static_cast<float>(width.record.reals[0]), 3.0f / 96.0f);
}

TEST_F(Filer, DevicePixelOperandsAreStoredAsPageInches) {
  const QByteArray& file = Write([](TBaseReport& r) {
    r.FillRect(QRect(96, 192, 48, 96));
    r.Polyline(QPolygon({QPoint(0, 0), QPoint(96, 96), QPoint(192, 0)}));
    r.Polygon(QPolygon());
  });
  const std::vector<Decoded> page = PageRecords(file, 1);
  const auto fill = std::find_if(page.begin(), page.end(),
                                 [](const Decoded& d) { return d.record.code == kFillRect; });
  ASSERT_NE(fill, page.end());
  EXPECT_EQ(fill->record.points[0], QPointF(1, 2));
  EXPECT_EQ(fill->record.points[1], QPointF(1.5, 3));
  const auto line = std::find_if(page.begin(), page.end(),
                                 [](const Decoded& d) { return d.record.code == kPolyline; });
  ASSERT_NE(line, page.end());
  EXPECT_EQ(line->list, std::vector<QPointF>({QPointF(0, 0), QPointF(1, 1), QPointF(2, 0)}));
  EXPECT_EQ(std::count_if(page.begin(), page.end(),
                          [](const Decoded& d) { return d.record.code == kPolygon; }),
            0)
      << "an empty point list writes nothing";
}

TEST_F(Filer, BitmapsAreBmpBytesAfterTheBitmapMode) {
  QImage image(4, 3, QImage::Format_RGB32);
  image.fill(Qt::red);
  const QByteArray& file = Write([&](TBaseReport& r) {
    r.SetBitmapMode(true);
    r.PrintBitmap(1, 1, 2, 3, image);
  });
  const std::vector<Decoded> page = PageRecords(file, 1);
  const std::vector<int> codes = Codes(page);
  const auto bitmap = std::find(codes.begin(), codes.end(), kPrintBitmap);
  ASSERT_NE(bitmap, codes.end());
  EXPECT_EQ(*(bitmap - 1), kBitmapMode);
  const Decoded& mode = page[static_cast<size_t>(bitmap - codes.begin() - 1)];
  EXPECT_EQ(mode.record.ints[0], 1);
  const Decoded& d = page[static_cast<size_t>(bitmap - codes.begin())];
  EXPECT_EQ(d.graphic.left(2), "BM");
  EXPECT_EQ(QImage::fromData(d.graphic, "BMP").size(), QSize(4, 3));
  EXPECT_EQ(d.record.reals[0], 2);
  EXPECT_EQ(d.record.reals[1], 3);
}

TEST_F(Filer, RawDataIsCopiedWhole) {
  QByteArray source(10000, 'r');
  source[9999] = 'z';
  QBuffer in(&source);
  in.open(QIODevice::ReadOnly);
  in.seek(100);
  const QByteArray& file = Write([&](TBaseReport& r) {
    r.PrintData("ESC");
    r.PrintDataStream(in, 0);  // the rest of the stream
  });
  const std::vector<Decoded> page = PageRecords(file, 1);
  const auto data = std::find_if(page.begin(), page.end(),
                                 [](const Decoded& d) { return d.record.code == kPrintDataStream; });
  ASSERT_NE(data, page.end());
  EXPECT_EQ(data->data.size(), 9900);
  EXPECT_EQ(data->data.back(), 'z');
  EXPECT_EQ((data - 1)->record.code, kPrintData);
  EXPECT_EQ((data - 1)->text, "ESC");
}

TEST_F(Filer, AnAbortedPageIsStillClosed) {
  const QByteArray& file = Write([](TBaseReport& r) {
    r.PrintLeft("before", 1);
    r.Abort();
    r.PrintLeft("after", 1);
  });
  const std::vector<Decoded> page = PageRecords(file, 1);
  ASSERT_FALSE(page.empty());
  EXPECT_EQ(page.back().record.code, kEndPage);
  EXPECT_EQ(std::count_if(page.begin(), page.end(),
                          [](const Decoded& d) { return d.record.code == kPrintLeft; }),
            1);
}

TEST_F(Filer, CopyRectIsRefused) {
  filer_.Start();
  try {
    filer_.CopyRect(QRect(0, 0, 1, 1), QImage(1, 1, QImage::Format_RGB32), QRect(0, 0, 1, 1));
    ADD_FAILURE() << "no error";
  } catch (const EReportError& e) {
    EXPECT_EQ(e.Message(), "CopyRect() not supported in file mode.");
  }
  filer_.Finish();
}

TEST_F(Filer, WritingTwiceIntoOneStreamStartsAgainAtTheStart) {
  Write([](TBaseReport& r) {
    r.PrintLeft("first run", 1);
    r.NewPage();
    r.NewPage();
  });
  const qsizetype long_size = data_.size();
  Write([](TBaseReport& r) { r.PrintLeft("second", 1); });
  EXPECT_EQ(data_.size(), long_size) << "stale bytes stay behind the new report";
  EXPECT_EQ(Le16(reinterpret_cast<const uint8_t*>(data_.constData()) + kHdrPageCount), 1);
  const std::vector<Decoded> page = PageRecords(data_, 1);
  const auto text = std::find_if(page.begin(), page.end(),
                                 [](const Decoded& d) { return d.record.code == kPrintLeft; });
  ASSERT_NE(text, page.end());
  EXPECT_EQ(text->text, "second");
  EXPECT_TRUE(PageRecords(data_, 2).empty()) << "the stale pages are never reached";
}

TEST(ReportFilerStreams, EveryModeWritesTheSameBytesWhereItShould) {
  NoPrinters no_printers;
  QTemporaryDir dir;
  auto draw = [](TBaseReport& r) {
    r.PrintLeft("stream", 1);
    r.NewPage();
    r.Ellipse(1, 1, 2, 2);
  };
  QByteArray user_bytes;
  {
    QBuffer buffer(&user_bytes);
    TReportFiler filer;
    filer.SetStreamMode(smUser);
    filer.SetStream(&buffer);
    filer.OnPrint = [&](TBaseReport& r) { draw(r); };
    filer.Execute();
    EXPECT_TRUE(buffer.isOpen()) << "the caller's stream stays open";
  }
  ASSERT_GT(user_bytes.size(), 45);

  const QString file_name = dir.filePath("report.rep");
  for (TStreamMode mode : {smFile, smMemory}) {
    QFile::remove(file_name);
    TReportFiler filer;
    filer.SetStreamMode(mode);
    filer.SetFileName(file_name);
    filer.OnPrint = [&](TBaseReport& r) { draw(r); };
    filer.Execute();
    QFile file(file_name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << mode;
    EXPECT_EQ(file.readAll(), user_bytes) << mode;
  }

  TReportFiler temp;
  temp.SetStreamMode(smTempFile);
  temp.OnPrint = [&](TBaseReport& r) { draw(r); };
  temp.Execute();
  const QFileInfo info(temp.FileName());
  EXPECT_TRUE(info.fileName().startsWith("RE")) << info.fileName().toStdString();
  EXPECT_EQ(info.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
  QFile file(temp.FileName());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), user_bytes);
  file.remove();
}

TEST(ReportFilerStreams, StreamFailuresAreReportedWithTheirMessages) {
  NoPrinters no_printers;
  TReportFiler filer;
  filer.SetStreamMode(smUser);
  try {
    filer.Start();
    ADD_FAILURE() << "started without a stream";
  } catch (const EReportError& e) {
    EXPECT_EQ(e.Message(), "StreamMode is smUser but Stream is nil");
  }
  EXPECT_FALSE(filer.Printing());

  filer.SetStreamMode(smFile);
  filer.SetFileName("/nonexistent-folder/report.rep");
  try {
    filer.Start();
    ADD_FAILURE() << "started on a file that cannot be created";
  } catch (const EReportError& e) {
    EXPECT_EQ(e.Message(), "Error initializing stream \"/nonexistent-folder/report.rep\"");
  }
  EXPECT_FALSE(filer.Printing());
}

TEST(FilerOrientation, ALandscapeReportIsMeasuredAndRecordedOnLandscapePaper) {
  FakePrinters restore;  // the system's printers again afterwards
  TREDevice& device = TREDevice::Instance();
  device.SetPrinterSource(TREDevice::FilePrinterSource());
  ASSERT_TRUE(device.HasDevMode());
  device.SetOrientation(poPortrait);
  QByteArray data;
  QBuffer buffer(&data);
  TReportFiler filer;
  filer.SetStreamMode(smUser);
  filer.SetStream(&buffer);
  filer.SetOrientation(poLandScape);
  double wide = 0, high = 0, turnedWide = 0, turnedHigh = 0;
  filer.OnPrint = [&](TBaseReport& r) {
    wide = r.PageWidth();
    high = r.PageHeight();
    r.PrintLeft("Landscape", 1);
    // Turned between pages: the next page is laid out on portrait paper.
    r.SetOrientation(poPortrait);
    r.NewPage();
    turnedWide = r.PageWidth();
    turnedHigh = r.PageHeight();
  };
  filer.Execute();
  device.SetOrientation(poPortrait);
  EXPECT_GT(wide, high);
  EXPECT_LT(turnedWide, turnedHigh);
  buffer.open(QIODevice::ReadOnly);
  ReportFileReader reader;
  ASSERT_TRUE(reader.Open(&buffer));
  EXPECT_EQ(reader.header().orientation, poLandScape);
  EXPECT_GT(reader.header().page_width, reader.header().page_height);
  // The paper's own size, which the orientation turns.
  EXPECT_LT(reader.header().paper_width, reader.header().paper_length);
  ASSERT_TRUE(reader.GotoPage(1));
  EXPECT_NEAR(reader.page_width(), wide, 1e-4);
  EXPECT_NEAR(reader.page_height(), high, 1e-4);
  ASSERT_TRUE(reader.GotoPage(2));
  EXPECT_LT(reader.page_width(), reader.page_height());
}

TEST_F(Filer, ALandscapeReportWithoutPrinterIsOnTheSheetTurned) {
  filer_.SetOrientation(poLandScape);
  const QByteArray& file = Write([](TBaseReport&) {});
  EXPECT_EQ(file.mid(7, 8).toHex(' '), Hex("00 00 30 41 00 00 08 41").toHex(' '));
  EXPECT_EQ(file.mid(56, 8).toHex(' '), Hex("00 00 30 41 00 00 08 41").toHex(' '));
}
