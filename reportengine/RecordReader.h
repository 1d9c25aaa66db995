// RecordReader: a bounds-checked cursor over the bytes of a report file, and the decoder of
// one command record. Every read checks the bytes left; the first read that does not fit
// (or a real that is not a sane finite number) makes the reader fail for good, and every
// later read yields zero. A record is decoded whole, by the operand layout of its code, before
// anyone acts on it.
#pragma once

#include <QByteArray>
#include <QPointF>
#include <cstddef>
#include <cstdint>
#include <vector>

// One decoded command record. Operands are kept by kind in record order: the fixed points
// of P and R operands, the reals of F operands, the integers of B, S and I operands (and the
// flag of Q), the text, the graphic, the point list of L and the raw bytes of D.
struct ReportRecord {
  static constexpr int kMaxPoints = 4;
  static constexpr int kMaxReals = 4;
  static constexpr int kMaxInts = 8;

  uint8_t code = 0;
  QPointF points[kMaxPoints];  // inches
  double reals[kMaxReals] = {};
  int32_t ints[kMaxInts] = {};
  int point_count = 0, real_count = 0, int_count = 0;
  QByteArray text;  // Windows-1252 bytes in the reader's storage, macros not yet expanded
  bool has_graphic = false;
  uint8_t graphic_kind = 0;
  const uint8_t* graphic = nullptr;  // into the reader's bytes
  int64_t graphic_size = 0;
  std::vector<QPointF> list;  // inches
  const uint8_t* data = nullptr;  // into the reader's bytes
  int64_t data_size = 0;
};

class RecordReader {
 public:
  // Largest magnitude of a real that the reader accepts: far beyond any page, and small
  // enough that every position maps to a device pixel without overflow.
  static constexpr double kMaxReal = 100000.0;

  RecordReader() = default;
  RecordReader(const uint8_t* data, int64_t size, int64_t position = 0)
      : data_(data), size_(size), pos_(position < 0 || position > size ? size : position) {}

  bool ok() const { return ok_; }
  int64_t left() const { return size_ - pos_; }
  int64_t position() const { return pos_; }
  // Makes the reader fail (an operand out of its domain).
  void Fail() { ok_ = false; }

  uint8_t Byte();
  int16_t Short();
  int32_t Int();
  // Widened from single precision; must be finite and within kMaxReal.
  double Real();
  QPointF Point();
  // The text bytes (at most 255).
  void Text(QByteArray* out);
  // n bytes as a pointer into the reader's bytes, nullptr when they are not all there.
  const uint8_t* Bytes(int64_t n);

  // Decodes the next record: its code and all of its operands. False (and the reader failed)
  // when the code is unknown or an operand does not fit in the bytes left.
  bool ReadRecord(ReportRecord* record);

 private:
  bool Need(int64_t n);

  const uint8_t* data_ = nullptr;
  int64_t size_ = 0;
  int64_t pos_ = 0;
  bool ok_ = true;
};
