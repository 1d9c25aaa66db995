// RecordWriter: appends the fields of report file records to a seekable device through one
// buffer of kWriteBufferSize bytes, and patches fields written earlier (page count, page
// links). Field layouts: ReportFileFormat.h.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QPointF>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "reportengine/ReportFileFormat.h"

// The operands of a command record, one type per letter of the op list's layouts: a record
// written with RecordWriter::Record takes them in layout order.
namespace report_file::operand {
struct Byte { uint8_t value; static constexpr char kLetter = 'B'; };
struct Short { int16_t value; static constexpr char kLetter = 'S'; };
struct Int { int32_t value; static constexpr char kLetter = 'I'; };
struct Real { double value; static constexpr char kLetter = 'F'; };
struct Point { double x, y; static constexpr char kLetter = 'P'; };
struct Rect { double left, top, right, bottom; static constexpr char kLetter = 'R'; };
// Converted to Windows-1252 and cut as RecordWriter::Text does.
struct Text { QString text; static constexpr char kLetter = 'T'; };
// Bytes already in the file's code page, cut as RecordWriter::TextBytes does.
struct TextBytes { QByteArray bytes; static constexpr char kLetter = 'T'; };
struct Graphic { uint8_t kind; QByteArray bytes; static constexpr char kLetter = 'G'; };
// The flag 1 and the graphic, or the flag 0 alone when there is no graphic.
struct FlagGraphic { bool present; Graphic graphic; static constexpr char kLetter = 'Q'; };
struct PointList { std::vector<QPointF> points; static constexpr char kLetter = 'L'; };  // 1..32768
}  // namespace report_file::operand

class RecordWriter {
 public:
  // Writes at the device's current position. The device stays the caller's.
  explicit RecordWriter(QIODevice* device);

  void Byte(uint8_t v);
  void Short(int16_t v);
  void Int(int32_t v);
  // Rounded to single precision.
  void Real(double v);
  void Point(double x, double y) { Real(x); Real(y); }
  void Rect(double left, double top, double right, double bottom) {
    Point(left, top);
    Point(right, bottom);
  }
  // Windows-1252 bytes, cut at 255 bytes (never inside a macro marker).
  void Text(const QString& text);
  // The same for bytes already in the file's code page.
  void TextBytes(const char* data, int size);
  // Raw bytes; a block larger than the buffer goes straight to the device.
  void Bytes(const char* data, qint64 size);

  // One whole command record: the code byte, then the operands. Their kinds must be the
  // code's layout in the op list, or the call does not compile.
  template <uint8_t kCode, typename... Operands>
  void Record(const Operands&... operands) {
    static_assert(report_file::LayoutIs(kCode, kLetters<Operands...>),
                  "the operands are not the op list's layout of this code");
    Byte(kCode);
    (Put(operands), ...);
  }
  // The same for a code picked at run time: `code` must be one of kCodes, which all have the
  // layout of the operands.
  template <uint8_t... kCodes, typename... Operands>
  void RecordOneOf(uint8_t code, const Operands&... operands) {
    static_assert((report_file::LayoutIs(kCodes, kLetters<Operands...>) && ...),
                  "the operands are not the op list's layout of these codes");
    Q_ASSERT(((code == kCodes) || ...));
    Byte(code);
    (Put(operands), ...);
  }

  // A plain op's record (points and reals only) from its numbers in layout order, a point
  // taking two: the record its op list line describes, or the call does not compile.
  template <uint8_t kCode, typename... Values>
  void RecordValues(Values... values) {
    static_assert(report_file::ValueCount(kCode) == static_cast<int>(sizeof...(Values)),
                  "the numbers are not the op list's layout of this code");
    Byte(kCode);
    (Real(static_cast<double>(values)), ...);
  }

  // Writes out the buffer.
  void Flush();
  // Absolute device position of the next byte (flushes first).
  qint64 Position();
  // Overwrites a field at an absolute position and comes back (flushes first).
  void PatchShort(qint64 at, int16_t v);
  void PatchInt(qint64 at, int32_t v);
  void PatchReal(qint64 at, double v);

  // False once any write or seek failed.
  bool ok() const { return ok_; }

  // How many bytes of text would be written for `size` bytes: at most 255, and a cut never
  // splits a macro marker.
  static int TextCut(const char* data, int size);

 private:
  // The layout letters of a list of operand types.
  template <typename... Operands>
  static constexpr std::array<char, sizeof...(Operands)> kLetters{Operands::kLetter...};

  void Put(const report_file::operand::Byte& o) { Byte(o.value); }
  void Put(const report_file::operand::Short& o) { Short(o.value); }
  void Put(const report_file::operand::Int& o) { Int(o.value); }
  void Put(const report_file::operand::Real& o) { Real(o.value); }
  void Put(const report_file::operand::Point& o) { Point(o.x, o.y); }
  void Put(const report_file::operand::Rect& o) { Rect(o.left, o.top, o.right, o.bottom); }
  void Put(const report_file::operand::Text& o) { Text(o.text); }
  void Put(const report_file::operand::TextBytes& o);
  void Put(const report_file::operand::Graphic& o);
  void Put(const report_file::operand::FlagGraphic& o);
  void Put(const report_file::operand::PointList& o);
  void Append(const uint8_t* data, int size);
  void Patch(qint64 at, const uint8_t* data, int size);

  QIODevice* device_;
  std::vector<uint8_t> buffer_;
  bool ok_ = true;
};
