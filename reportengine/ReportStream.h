// ReportStream: the stream a report file is written to or read from, chosen by stream mode.
// The stream is owned (and freed by Close or the destructor) except in mode smUser, where
// it stays the caller's.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <memory>

enum TStreamMode { smMemory, smFile, smUser, smTempFile };

class ReportStream {
 public:
  enum class Result { kOk, kNoUserStream, kCannotOpen };

  ReportStream() = default;
  ReportStream(const ReportStream&) = delete;
  ReportStream& operator=(const ReportStream&) = delete;
  ~ReportStream();

  // Opens for writing at position 0. smMemory: a private buffer saved to fileName at Close;
  // smFile: creates (truncates) fileName; smTempFile: a new temporary file "RE..." in the
  // temporary folder, whose name goes into *fileName; smUser: the caller's device (opened
  // read-write when it is not open yet). Nothing is left open on failure.
  Result OpenForWriting(TStreamMode mode, QString* fileName, QIODevice* user);

  // Opens for reading at position 0. smMemory loads fileName into a private buffer; smFile
  // and smTempFile open fileName; smUser reads the caller's device (opened read-only when
  // it is not open yet). The device must allow seeking.
  Result OpenForReading(TStreamMode mode, const QString& fileName, QIODevice* user);

  // The open device, or nullptr.
  QIODevice* device() const { return device_; }

  // Ends the use of the stream: a written smMemory buffer is saved to its file, an owned
  // device is freed, a caller's device is left open. False when saving or an earlier
  // write failed.
  bool Close();

 private:
  void Reset();

  std::unique_ptr<QIODevice> owned_;
  QIODevice* device_ = nullptr;
  bool writing_ = false;
  TStreamMode mode_ = smMemory;
  QString save_to_;  // smMemory writer: the file the buffer goes to
};
