// RecordWriter: appends the fields of report file records to a seekable device through one
// buffer of kWriteBufferSize bytes, and patches fields written earlier (page count, page
// links). Field layouts: ReportFileFormat.h.
#pragma once

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <vector>

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
  void Append(const uint8_t* data, int size);
  void Patch(qint64 at, const uint8_t* data, int size);

  QIODevice* device_;
  std::vector<uint8_t> buffer_;
  bool ok_ = true;
};
