#include "reportengine/ReportStream.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>

ReportStream::~ReportStream() { Reset(); }

void ReportStream::Reset() {
  owned_.reset();
  device_ = nullptr;
  writing_ = false;
  save_to_.clear();
}

ReportStream::Result ReportStream::OpenForWriting(TStreamMode mode, QString* fileName,
                                                  QIODevice* user) {
  Reset();
  mode_ = mode;
  writing_ = true;
  switch (mode) {
    case smUser:
      if (user == nullptr) return Result::kNoUserStream;
      if (!user->isOpen() && !user->open(QIODevice::ReadWrite)) return Result::kCannotOpen;
      if (user->isSequential() || !user->isWritable() || !user->seek(0)) return Result::kCannotOpen;
      device_ = user;
      return Result::kOk;
    case smMemory: {
      auto buffer = std::make_unique<QBuffer>();
      buffer->open(QIODevice::ReadWrite);
      save_to_ = *fileName;
      owned_ = std::move(buffer);
      break;
    }
    case smFile: {
      auto file = std::make_unique<QFile>(*fileName);
      if (!file->open(QIODevice::ReadWrite | QIODevice::Truncate)) return Result::kCannotOpen;
      owned_ = std::move(file);
      break;
    }
    case smTempFile: {
      auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/REXXXXXX"));
      file->setAutoRemove(false);  // the name is handed on for playing the file back
      if (!file->open()) return Result::kCannotOpen;
      *fileName = file->fileName();
      owned_ = std::move(file);
      break;
    }
  }
  device_ = owned_.get();
  return Result::kOk;
}

ReportStream::Result ReportStream::OpenForReading(TStreamMode mode, const QString& fileName,
                                                  QIODevice* user) {
  Reset();
  mode_ = mode;
  switch (mode) {
    case smUser:
      if (user == nullptr) return Result::kNoUserStream;
      if (!user->isOpen() && !user->open(QIODevice::ReadOnly)) return Result::kCannotOpen;
      if (user->isSequential() || !user->isReadable() || !user->seek(0)) return Result::kCannotOpen;
      device_ = user;
      return Result::kOk;
    case smMemory: {
      QFile file(fileName);
      if (!file.open(QIODevice::ReadOnly)) return Result::kCannotOpen;
      auto buffer = std::make_unique<QBuffer>();
      buffer->setData(file.readAll());
      buffer->open(QIODevice::ReadOnly);
      owned_ = std::move(buffer);
      break;
    }
    case smFile:
    case smTempFile: {
      auto file = std::make_unique<QFile>(fileName);
      if (!file->open(QIODevice::ReadOnly)) return Result::kCannotOpen;
      owned_ = std::move(file);
      break;
    }
  }
  device_ = owned_.get();
  return Result::kOk;
}

bool ReportStream::Close() {
  bool ok = true;
  if (writing_ && mode_ == smMemory && owned_ != nullptr) {
    // Written whole through a temporary file and a rename: never half a report on disk.
    QSaveFile file(save_to_);
    const QByteArray& data = static_cast<QBuffer*>(owned_.get())->data();
    ok = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
  } else if (writing_ && owned_ != nullptr) {
    auto* file = static_cast<QFileDevice*>(owned_.get());
    ok = file->flush() && file->error() == QFileDevice::NoError;
  }
  Reset();
  return ok;
}
