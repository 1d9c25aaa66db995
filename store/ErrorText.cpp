#include "store/ErrorText.h"

#include <QRegularExpression>

namespace {

// The first absolute path in an engine message, up to the ": " that starts its cause.
QString FileNamed(const QString& message) {
  static const QRegularExpression path(QStringLiteral(R"((/[^:\n]*?)(?=: |:$|$| (exists|is|does|has)\b))"));
  const QRegularExpressionMatch m = path.match(message);
  return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

bool Says(const QString& message, const char* words) {
  return message.contains(QLatin1String(words), Qt::CaseInsensitive);
}

}  // namespace

QString UserErrorText(const xbase::Status& status) {
  if (status.ok()) return QString();
  const QString message = QString::fromStdString(status.message());
  // The settings files' refusal already is the program's own text.
  if (message.startsWith(QLatin1String("Unable to write to "))) return message;
  QString file = FileNamed(message);
  if (file.isEmpty()) file = QStringLiteral("A task file");
  using Code = xbase::Status::Code;
  switch (status.code()) {
    case Code::kRecordLocked:
      return QStringLiteral("The task is locked by another program. Try again in a moment.");
    case Code::kInUse:
      return file + QStringLiteral(" is in use by another program.");
    case Code::kCorrupt:
      return file + QStringLiteral(" is damaged. Choose Rebuild Indexes from the File menu to repair it.");
    case Code::kNotFound:
      return file + QStringLiteral(" was not found.");
    case Code::kReadOnly:
      return file + QStringLiteral(" is open for reading only and cannot be changed.");
    case Code::kIoError:
      if (Says(message, "No space left")) return file + QStringLiteral(" could not be written: the disk is full.");
      if (Says(message, "Disk quota")) return file + QStringLiteral(" could not be written: the disk quota is used up.");
      if (Says(message, "Read-only file system"))
        return file + QStringLiteral(" could not be written: the disk is read-only.");
      if (Says(message, "Permission denied") || Says(message, "not permitted"))
        return file + QStringLiteral(" could not be written: you may not change it or its folder.");
      if (Says(message, "Input/output error"))
        return file + QStringLiteral(" could not be read or written: the disk reported an error.");
      return file + QStringLiteral(" could not be read or written.");
    default:
      return QStringLiteral("The change could not be stored (") + message + QStringLiteral(").");
  }
}
