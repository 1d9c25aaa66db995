#include "reportengine/RecordWriter.h"

#include <algorithm>
#include <cstring>

#include "reportengine/ReportFileFormat.h"

using namespace report_file;

RecordWriter::RecordWriter(QIODevice* device) : device_(device) {
  buffer_.reserve(kWriteBufferSize);
}

void RecordWriter::Append(const uint8_t* data, int size) {
  if (buffer_.size() + static_cast<size_t>(size) > static_cast<size_t>(kWriteBufferSize)) Flush();
  buffer_.insert(buffer_.end(), data, data + size);
}

void RecordWriter::Byte(uint8_t v) {
  if (buffer_.size() >= static_cast<size_t>(kWriteBufferSize)) Flush();
  buffer_.push_back(v);
}

void RecordWriter::Short(int16_t v) {
  uint8_t b[2];
  PutLe16(b, static_cast<uint16_t>(v));
  Append(b, 2);
}

void RecordWriter::Int(int32_t v) {
  uint8_t b[4];
  PutLe32(b, static_cast<uint32_t>(v));
  Append(b, 4);
}

void RecordWriter::Real(double v) {
  uint8_t b[4];
  PutLeReal(b, static_cast<float>(v));
  Append(b, 4);
}

int RecordWriter::TextCut(const char* data, int size) {
  if (size <= kMaxTextLength) return size;
  int cut = kMaxTextLength;
  // A marker that starts within the last 7 kept bytes would be cut in two: drop it whole.
  for (int start = cut - kMacroLength + 1; start < cut; ++start) {
    if (start >= 0 && data[start] == kMacroMarker[0] &&
        std::memcmp(data + start, kMacroMarker.data(),
                    std::min<size_t>(kMacroMarker.size(), static_cast<size_t>(size - start))) == 0) {
      cut = start;
      break;
    }
  }
  return cut;
}

void RecordWriter::TextBytes(const char* data, int size) {
  const int n = TextCut(data, size);
  uint8_t b[1 + kMaxTextLength];
  b[0] = static_cast<uint8_t>(n);
  std::memcpy(b + 1, data, static_cast<size_t>(n));
  Append(b, 1 + n);
}

void RecordWriter::Text(const QString& text) {
  // Only the bytes that can be kept are converted.
  const int size = static_cast<int>(std::min<qsizetype>(text.size(), kMaxTextLength + kMacroLength));
  char bytes[kMaxTextLength + kMacroLength];
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>(UnicodeToCp1252(text[i].unicode()));
  TextBytes(bytes, size);
}

void RecordWriter::Bytes(const char* data, qint64 size) {
  if (size <= 0) return;
  if (size > kWriteBufferSize) {
    Flush();
    if (device_->write(data, size) != size) ok_ = false;
    return;
  }
  Append(reinterpret_cast<const uint8_t*>(data), static_cast<int>(size));
}

void RecordWriter::Put(const operand::TextBytes& o) {
  const qsizetype size = std::min<qsizetype>(o.bytes.size(), kMaxTextLength);
  TextBytes(o.bytes.constData(), static_cast<int>(size));
}

void RecordWriter::Put(const operand::Graphic& o) {
  Byte(o.kind);
  Int(static_cast<int32_t>(o.bytes.size()));
  Bytes(o.bytes.constData(), o.bytes.size());
}

void RecordWriter::Put(const operand::FlagGraphic& o) {
  Byte(o.present ? 1 : 0);
  if (o.present) Put(o.graphic);
}

void RecordWriter::Put(const operand::PointList& o) {
  Short(static_cast<int16_t>(o.points.size() - 1));
  for (const QPointF& p : o.points) Point(p.x(), p.y());
}

void RecordWriter::Flush() {
  if (buffer_.empty()) return;
  const qint64 n = static_cast<qint64>(buffer_.size());
  if (device_->write(reinterpret_cast<const char*>(buffer_.data()), n) != n) ok_ = false;
  buffer_.clear();
}

qint64 RecordWriter::Position() {
  Flush();
  return device_->pos();
}

void RecordWriter::Patch(qint64 at, const uint8_t* data, int size) {
  Flush();
  const qint64 back = device_->pos();
  if (!device_->seek(at) || device_->write(reinterpret_cast<const char*>(data), size) != size ||
      !device_->seek(back))
    ok_ = false;
}

void RecordWriter::PatchShort(qint64 at, int16_t v) {
  uint8_t b[2];
  PutLe16(b, static_cast<uint16_t>(v));
  Patch(at, b, 2);
}

void RecordWriter::PatchInt(qint64 at, int32_t v) {
  uint8_t b[4];
  PutLe32(b, static_cast<uint32_t>(v));
  Patch(at, b, 4);
}

void RecordWriter::PatchReal(qint64 at, double v) {
  uint8_t b[4];
  PutLeReal(b, static_cast<float>(v));
  Patch(at, b, 4);
}
