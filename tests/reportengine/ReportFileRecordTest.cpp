// The report file's primitive fields, the record decoder's checks and the page chain walk,
// on bytes written by hand or by the record writer.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QByteArray>
#include <cstring>
#include <string>

#include "reportengine/RecordReader.h"
#include "reportengine/RecordWriter.h"
#include "reportengine/ReportFileFormat.h"
#include "reportengine/ReportFileHeader.h"
#include "reportengine/ReportFileReader.h"

using namespace report_file;

namespace {

// Bytes written through a RecordWriter into a memory buffer.
class Bytes {
 public:
  Bytes() {
    buffer_.setBuffer(&data_);
    buffer_.open(QIODevice::ReadWrite);
    out_ = std::make_unique<RecordWriter>(&buffer_);
  }
  RecordWriter& out() { return *out_; }
  const QByteArray& data() {
    out_->Flush();
    return data_;
  }
  RecordReader reader() {
    data();
    return RecordReader(reinterpret_cast<const uint8_t*>(data_.constData()), data_.size());
  }
  QBuffer& buffer() { return buffer_; }

 private:
  QByteArray data_;
  QBuffer buffer_;
  std::unique_ptr<RecordWriter> out_;
};

// One well-formed record of `code`, its operands made from the code's layout.
void WriteSample(RecordWriter& out, uint8_t code) {
  out.Byte(code);
  for (const char* op = OperandLayout(code); *op != '\0'; ++op) {
    switch (*op) {
      case 'B': out.Byte(1); break;
      case 'S': out.Short(3); break;
      case 'I': out.Int(0x123456); break;
      case 'F': out.Real(1.25); break;
      case 'P': out.Point(1, 2); break;
      case 'R': out.Rect(1, 2, 3, 4); break;
      case 'T': out.Text(QStringLiteral("text")); break;
      case 'Q': out.Byte(1); [[fallthrough]];
      case 'G': out.Byte(kGraphicBitmap); out.Int(3); out.Bytes("BMP", 3); break;
      case 'L': out.Short(2); for (int i = 0; i < 3; ++i) out.Point(i, i); break;
      case 'D': out.Int(4); out.Bytes("data", 4); break;
    }
  }
}

}  // namespace

TEST(ReportFileFields, LittleEndianWidthsAndSinglePrecision) {
  Bytes b;
  b.out().Byte(0xAB);
  b.out().Short(-2);
  b.out().Int(0x01020304);
  b.out().Real(0.1);
  const QByteArray& d = b.data();
  ASSERT_EQ(d.size(), 11);
  EXPECT_EQ(QByteArray("\xAB\xFE\xFF\x04\x03\x02\x01", 7), d.left(7));
  RecordReader in = b.reader();
  EXPECT_EQ(in.Byte(), 0xAB);
  EXPECT_EQ(in.Short(), -2);
  EXPECT_EQ(in.Int(), 0x01020304);
  const double tenth = in.Real();
  // Single precision only: 0.1 inch comes back as 0.100000001 inch.
  EXPECT_NE(tenth, 0.1);
  EXPECT_NEAR(tenth, 0.100000001, 1e-9);
  EXPECT_EQ(tenth, static_cast<double>(0.1f));
  EXPECT_TRUE(in.ok());
  EXPECT_EQ(in.left(), 0);
}

TEST(ReportFileFields, TextIsWindows1252AndCutAt255WithoutSplittingAMacro) {
  Bytes b;
  b.out().Text(QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC 5 \xE2\x98\x83"));  // é, euro, snowman
  const QByteArray& d = b.data();
  EXPECT_EQ(d, QByteArray("\x0A" "Caf\xE9 \x80 5 ?", 11));

  Bytes cut;
  cut.out().Text(QString(300, QLatin1Char('x')));
  EXPECT_EQ(cut.data().size(), 256);
  EXPECT_EQ(static_cast<uint8_t>(cut.data()[0]), 255);

  // A marker that would straddle byte 255 is left out whole.
  std::string text(250, 'a');
  text += "\375$RECM11";
  EXPECT_EQ(RecordWriter::TextCut(text.data(), static_cast<int>(text.size())), 250);
  std::string fits(247, 'a');
  fits += "\375$RECM11zzz";
  EXPECT_EQ(RecordWriter::TextCut(fits.data(), static_cast<int>(fits.size())), 255);
}

TEST(ReportFileFields, BufferFlushesBeforeItOverflowsAndLargeFieldsGoStraightThrough) {
  Bytes b;
  for (int i = 0; i < kWriteBufferSize - 2; ++i) b.out().Byte(static_cast<uint8_t>(i));
  EXPECT_EQ(b.buffer().size(), 0) << "still buffered";
  b.out().Int(7);  // does not fit: the buffer goes out first
  EXPECT_EQ(b.buffer().size(), kWriteBufferSize - 2);
  const QByteArray big(kWriteBufferSize + 10, 'z');
  b.out().Bytes(big.constData(), big.size());
  EXPECT_EQ(b.buffer().size(), kWriteBufferSize - 2 + 4 + big.size());
  EXPECT_EQ(b.out().Position(), b.buffer().size());
  b.out().PatchInt(0, -1);
  b.out().Byte(9);
  const QByteArray& d = b.data();
  EXPECT_EQ(d.left(4), QByteArray(4, '\xFF'));
  EXPECT_EQ(d.back(), 9);
  EXPECT_TRUE(b.out().ok());
}

TEST(ReportFileDecoder, EveryCodeDecodesWholeAndFailsOnEveryTruncation) {
  int codes = 0;
  for (int code = 0; code < 256; ++code) {
    if (OperandLayout(static_cast<uint8_t>(code)) == nullptr) continue;
    ++codes;
    Bytes b;
    WriteSample(b.out(), static_cast<uint8_t>(code));
    const QByteArray whole = b.data();
    RecordReader in = b.reader();
    ReportRecord r;
    ASSERT_TRUE(in.ReadRecord(&r)) << code;
    EXPECT_EQ(in.left(), 0) << code;
    EXPECT_EQ(r.code, code);
    for (qsizetype n = 0; n < whole.size(); ++n) {
      RecordReader cut(reinterpret_cast<const uint8_t*>(whole.constData()), n);
      EXPECT_FALSE(cut.ReadRecord(&r)) << "code " << code << " cut at " << n;
    }
  }
  EXPECT_EQ(codes, 75);  // every command code of the format, and no other
}

TEST(ReportFileDecoder, OperandsComeBackInRecordOrder) {
  Bytes b;
  b.out().Byte(kPrintBlock);
  b.out().Real(1.5);
  b.out().Text(QStringLiteral("Hello"));
  b.out().Real(0.75);
  b.out().Real(2.0);
  b.out().Byte(kFont);
  b.out().Text(QStringLiteral("Arial"));
  b.out().Int(0xFF);
  b.out().Byte(2);
  b.out().Real(0.25);
  for (int i = 0; i < 4; ++i) b.out().Byte(i % 2);
  b.out().Short(90);
  RecordReader in = b.reader();
  ReportRecord r;
  ASSERT_TRUE(in.ReadRecord(&r));
  EXPECT_EQ(r.real_count, 3);
  EXPECT_EQ(r.reals[0], 1.5);
  EXPECT_EQ(r.text, "Hello");
  EXPECT_EQ(r.reals[1], 0.75);
  EXPECT_EQ(r.reals[2], 2.0);
  ASSERT_TRUE(in.ReadRecord(&r));
  EXPECT_EQ(r.text, "Arial");
  ASSERT_EQ(r.int_count, 7);
  EXPECT_EQ(r.ints[0], 0xFF);
  EXPECT_EQ(r.ints[1], 2);
  EXPECT_EQ(r.ints[3], 1);
  EXPECT_EQ(r.ints[6], 90);
  EXPECT_EQ(r.reals[0], 0.25);
}

TEST(ReportFileDecoder, ClaimedSizesBeyondTheBytesFailBeforeAnyAllocation) {
  struct Case {
    const char* what;
    QByteArray bytes;
  };
  auto le32 = [](int32_t v) {
    QByteArray b(4, 0);
    PutLe32(reinterpret_cast<uint8_t*>(b.data()), static_cast<uint32_t>(v));
    return b;
  };
  const Case cases[] = {
      {"unknown code", QByteArray("\x63", 1)},
      {"page header inside a page", QByteArray("\x50", 1)},
      {"graphic larger than the stream", QByteArray("\x05\x01", 2) + le32(0x7FFFFFFF) + "BM"},
      {"negative graphic size", QByteArray("\x05\x01", 2) + le32(-5)},
      {"graphic of no known kind", QByteArray("\x05\x07", 2) + le32(0)},
      {"point count beyond the stream", QByteArray("\x0E\xFF\x7F", 3) + QByteArray(16, 0)},
      {"negative point count", QByteArray("\x0F\xFF\xFF", 3) + QByteArray(16, 0)},
      {"raw data past the end", QByteArray("\x1F", 1) + le32(1000) + "abc"},
      {"text length past the end", QByteArray("\x18\x00\x00\x00\x00\x09" "abc", 9)},
      {"brush flag neither 0 nor 1", QByteArray("\x2B\x02", 2)},
      {"real that is not a number", QByteArray("\x0C\x00\x00\xC0\x7F\x00\x00\x00\x00", 9)},
      {"real far off any page", QByteArray("\x0C\x00\x00\x80\x7F\x00\x00\x00\x00", 9)},
  };
  for (const Case& c : cases) {
    RecordReader in(reinterpret_cast<const uint8_t*>(c.bytes.constData()), c.bytes.size());
    ReportRecord r;
    EXPECT_FALSE(in.ReadRecord(&r)) << c.what;
    EXPECT_FALSE(in.ok()) << c.what;
    EXPECT_TRUE(r.list.empty()) << c.what;
  }
}

namespace {

// A file of `pages` pages, each holding one MoveTo, chained as the writer chains them.
QByteArray ChainedFile(int pages, int16_t page_count) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadWrite);
  RecordWriter out(&buffer);
  ReportFileHeader h;
  h.page_count = page_count;
  h.Write(out);
  qint64 previous = 0;
  for (int p = 1; p <= pages; ++p) {
    const qint64 at = out.Position();
    if (p > 1) out.PatchInt(previous + kPgNext, static_cast<int32_t>(at));
    out.Byte(kPageHeader);
    out.Int(static_cast<int32_t>(previous));
    out.Int(0);
    out.Short(static_cast<int16_t>(p));
    out.Real(8.5);
    out.Real(11);
    out.Byte(kMoveTo);
    out.Point(p, p);
    out.Byte(kEndPage);
    previous = at;
  }
  out.Flush();
  return data;
}

int MoveToXOfPage(ReportFileReader& reader) {
  RecordReader in = reader.PageCommands();
  ReportRecord r;
  if (!in.ReadRecord(&r) || r.code != kMoveTo) return -1;
  return static_cast<int>(r.points[0].x());
}

}  // namespace

TEST(ReportFilePages, SeeksForwardBackwardAndPastTheEnd) {
  QByteArray data = ChainedFile(5, 5);
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  ReportFileReader reader;
  ASSERT_TRUE(reader.Open(&buffer));
  EXPECT_EQ(reader.header().page_count, 5);
  EXPECT_EQ(reader.current_page(), 0);
  EXPECT_EQ(reader.next_link(), kFileHeaderFixedSize + 1);
  ASSERT_TRUE(reader.GotoPage(3));
  EXPECT_EQ(MoveToXOfPage(reader), 3);
  ASSERT_TRUE(reader.GotoPage(1));
  EXPECT_EQ(MoveToXOfPage(reader), 1);
  EXPECT_EQ(reader.previous_link(), 0);
  ASSERT_TRUE(reader.GotoPage(99));  // past the end: the last page
  EXPECT_EQ(reader.current_page(), 5);
  EXPECT_EQ(reader.next_link(), 0);
  EXPECT_EQ(MoveToXOfPage(reader), 5);
  ASSERT_TRUE(reader.GotoPage(4));
  EXPECT_EQ(MoveToXOfPage(reader), 4);
}

TEST(ReportFilePages, ThePageCountBoundsTheWalkOverStaleBytes) {
  // Five pages on the stream from an earlier report, but this header counts two.
  QByteArray data = ChainedFile(5, 2);
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  ReportFileReader reader;
  ASSERT_TRUE(reader.Open(&buffer));
  ASSERT_TRUE(reader.GotoPage(5));
  EXPECT_EQ(reader.current_page(), 2);

  QByteArray none = ChainedFile(3, 0);
  QBuffer empty(&none);
  empty.open(QIODevice::ReadOnly);
  ASSERT_TRUE(reader.Open(&empty));
  EXPECT_FALSE(reader.GotoPage(1));
  EXPECT_FALSE(reader.broken());
  EXPECT_EQ(reader.current_page(), 0);
}

TEST(ReportFilePages, BrokenLinksAreRefusedNotFollowed) {
  const QByteArray good = ChainedFile(3, 3);
  const int first = kFileHeaderFixedSize + 1;
  const int second = static_cast<int>(Le32(reinterpret_cast<const uint8_t*>(good.constData()) + first + kPgNext));
  auto patched = [&](int at, int32_t value) {
    QByteArray d = good;
    PutLe32(reinterpret_cast<uint8_t*>(d.data()) + at, static_cast<uint32_t>(value));
    return d;
  };
  struct Case {
    const char* what;
    QByteArray bytes;
    int page;
  };
  const Case cases[] = {
      {"next link back to itself", patched(first + kPgNext, first), 3},
      {"next link back to the file header", patched(second + kPgNext, 1), 3},
      {"negative next link", patched(first + kPgNext, -40), 2},
      {"next link past the end", patched(first + kPgNext, 1 << 20), 2},
      {"next link into the middle of a page", patched(first + kPgNext, second + 3), 2},
      {"previous link forward", patched(second + kPgPrevious, second + 4), 1},
  };
  for (const Case& c : cases) {
    QByteArray data = c.bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    ReportFileReader reader;
    ASSERT_TRUE(reader.Open(&buffer)) << c.what;
    bool ok = reader.GotoPage(2);
    if (ok && c.page != 2) ok = reader.GotoPage(c.page);
    EXPECT_FALSE(ok) << c.what;
    EXPECT_TRUE(reader.broken()) << c.what;
  }
}

TEST(ReportFilePages, AHeaderThatIsNotAReportFileIsRefused) {
  const QByteArray good = ChainedFile(1, 1);
  for (qsizetype n = 0; n <= kFileHeaderFixedSize; ++n) {
    QByteArray cut = good.left(n);
    QBuffer buffer(&cut);
    buffer.open(QIODevice::ReadOnly);
    ReportFileReader reader;
    EXPECT_FALSE(reader.Open(&buffer)) << n;
  }
  QByteArray wrong = good;
  wrong[0] = kPageHeader;
  QBuffer buffer(&wrong);
  buffer.open(QIODevice::ReadOnly);
  ReportFileReader reader;
  EXPECT_FALSE(reader.Open(&buffer));
}
