#include "reports/TaskExchangeExport.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QIODevice>
#include <QSaveFile>
#include <QStringList>

#include "core/ICalHandles.h"
#include "reports/TaskReportSource.h"

using xbase::Status;

namespace {

constexpr char kCsvHeader[] = "Date,Time,Task,Priority,Done,Key words,Note\r\n";
constexpr char kEndCalendar[] = "END:VCALENDAR\r\n";

// The folder's part of the UIDs. The same folder named with or without its final "/", or
// through a link, gives the same digest.
QByteArray FolderDigest(const QString& folder) {
  const QDir dir(folder);
  const QString canonical = dir.canonicalPath();
  const QByteArray path = (canonical.isEmpty() ? dir.absolutePath() : canonical).toUtf8();
  return QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex().left(16);
}

QByteArray UidOf(uint32_t recno, const QByteArray& folderDigest) {
  return "jotlist-" + QByteArray::number(recno) + '-' + folderDigest + "@localhost";
}

Status WriteBytes(QIODevice& device, const QByteArray& bytes) {
  if (device.write(bytes) != bytes.size()) return Status::IoError(device.errorString().toStdString());
  return Status::Ok();
}

// Text for libical: its text values break lines at LF, so a CR LF of a note becomes LF.
QByteArray IcalText(const QString& text) {
  QString plain = text;
  plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return plain.toUtf8();
}

int IcalPriority(const QString& priority) {
  if (priority == QLatin1String("A")) return 1;
  if (priority == QLatin1String("B")) return 5;
  if (priority == QLatin1String("C")) return 9;
  return 0;
}

// DUE of a task: a floating local date and time, a DATE value without a time; false when
// the task has no (valid) date.
bool DueTime(const TReportTask& task, icaltimetype* due) {
  const QDate date = QDate::fromString(task.Date, QStringLiteral("yyyyMMdd"));
  if (!date.isValid()) return false;
  *due = icaltime_null_time();
  due->year = date.year();
  due->month = date.month();
  due->day = date.day();
  const QTime time = QTime::fromString(task.Time.trimmed(), QStringLiteral("hh:mm"));
  if (time.isValid()) {
    due->hour = time.hour();
    due->minute = time.minute();
  } else {
    due->is_date = 1;
  }
  return true;
}

void Add(icalcomponent* component, icalproperty* property) { icalcomponent_add_property(component, property); }

QByteArray ICalendarTodo(const TReportTask& task, const QByteArray& folderDigest, const icaltimetype& stamp) {
  const TICalComponent todo(icalcomponent_new_vtodo());
  Add(todo.get(), icalproperty_new_uid(UidOf(task.Recno, folderDigest).constData()));
  Add(todo.get(), icalproperty_new_dtstamp(stamp));
  Add(todo.get(), icalproperty_new_summary(IcalText(task.Descript).constData()));
  if (!task.Note.isEmpty()) Add(todo.get(), icalproperty_new_description(IcalText(task.Note).constData()));
  icaltimetype due;
  if (DueTime(task, &due)) Add(todo.get(), icalproperty_new_due(due));
  Add(todo.get(), icalproperty_new_priority(IcalPriority(task.Priority)));
  if (task.Done) {
    Add(todo.get(), icalproperty_new_status(ICAL_STATUS_COMPLETED));
    Add(todo.get(), icalproperty_new_percentcomplete(100));
  } else {
    Add(todo.get(), icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
  }
  // One property per word, so that a comma inside a word stays in it (escaped).
  for (const QString& word : task.Keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    Add(todo.get(), icalproperty_new_categories(word.toUtf8().constData()));
  }
  const TICalString text(icalcomponent_as_ical_string_r(todo.get()));
  return QByteArray(text.get());
}

// The calendar's head as libical writes it: the empty VCALENDAR without its last line.
QByteArray CalendarHead() {
  const TICalComponent calendar(icalcomponent_vanew(ICAL_VCALENDAR_COMPONENT,
                                                    icalproperty_new_prodid("-//Jotlist//Jotlist 1.0//EN"),
                                                    icalproperty_new_version("2.0"), static_cast<void*>(nullptr)));
  const TICalString text(icalcomponent_as_ical_string_r(calendar.get()));
  QByteArray head(text.get());
  if (head.endsWith(kEndCalendar)) head.chop(static_cast<int>(sizeof(kEndCalendar) - 1));
  return head;
}

QByteArray CsvRow(const TReportTask& task) {
  const QDate date = QDate::fromString(task.Date, QStringLiteral("yyyyMMdd"));
  QString note = task.Note;
  // Line breaks inside a field are CR LF like the rows'.
  note.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  QByteArray row;
  row += TTaskExchangeExport::CsvField(date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString());
  row += ',' + TTaskExchangeExport::CsvField(task.Time.trimmed());
  row += ',' + TTaskExchangeExport::CsvField(task.Descript);
  row += ',' + TTaskExchangeExport::CsvField(task.Priority);
  row += task.Done ? ",Yes" : ",No";
  row += ',' + TTaskExchangeExport::CsvField(task.Keys);
  row += ',' + TTaskExchangeExport::CsvField(note);
  row += "\r\n";
  return row;
}

}  // namespace

QByteArray TTaskExchangeExport::Uid(uint32_t recno, const QString& folder) {
  return UidOf(recno, FolderDigest(folder));
}

QByteArray TTaskExchangeExport::CsvField(const QString& text) {
  QByteArray bytes = text.toUtf8();
  if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\r') && !bytes.contains('\n')) return bytes;
  bytes.replace("\"", "\"\"");
  return '"' + bytes + '"';
}

Status TTaskExchangeExport::Write(TTaskReportSource& source, TExchangeFormat format, const QString& folder,
                                  QIODevice& device, const std::function<void()>& betweenRows) {
  const bool calendar = format == TExchangeFormat::kICalendar;
  icaltimetype stamp{};
  const QByteArray folderDigest = calendar ? FolderDigest(folder) : QByteArray();
  if (calendar) {
    stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    XB_RETURN_IF_ERROR(WriteBytes(device, CalendarHead()));
  } else {
    XB_RETURN_IF_ERROR(WriteBytes(device, QByteArray("\xEF\xBB\xBF") + kCsvHeader));
  }
  TReportTask task;
  for (source.First(); !source.AtEnd(); source.Next()) {
    source.Read(&task, true, true);
    XB_RETURN_IF_ERROR(WriteBytes(device, calendar ? ICalendarTodo(task, folderDigest, stamp) : CsvRow(task)));
    if (betweenRows) betweenRows();
  }
  if (calendar) XB_RETURN_IF_ERROR(WriteBytes(device, kEndCalendar));
  return Status::Ok();
}

Status TTaskExchangeExport::WriteFile(TTaskReportSource& source, TExchangeFormat format, const QString& folder,
                                      const QString& path, const std::function<void()>& betweenRows) {
  auto failed = [&path](const QString& reason) {
    return Status::IoError(("Unable to write to " + path + ": " + reason).toStdString());
  };
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return failed(file.errorString());
  const Status status = Write(source, format, folder, file, betweenRows);
  if (!status.ok()) {
    file.cancelWriting();
    return failed(QString::fromStdString(status.message()));
  }
  if (!file.commit()) return failed(file.errorString());
  return Status::Ok();
}
