#include "reports/TaskExchangeExport.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QIODevice>
#include <QSaveFile>
#include <QStringList>

#include <map>
#include <optional>

#include "core/ICalHandles.h"
#include "store/TaskWalk.h"

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

// The number the digits text[from, from + count) spell, -1 when one is not a digit.
int Digits(const QString& text, int from, int count) {
  int value = 0;
  for (int i = from; i < from + count; ++i) {
    const char16_t c = text[i].unicode();
    if (c < u'0' || c > u'9') return -1;
    value = value * 10 + (c - u'0');
  }
  return value;
}

// A stored DATE (yyyymmdd); null when it is not a valid date. Read digit by digit: a
// format parse per task would cost more than the rest of the export.
QDate StoredDate(const QString& text) {
  if (text.size() != 8) return QDate();
  const int year = Digits(text, 0, 4), month = Digits(text, 4, 2), day = Digits(text, 6, 2);
  if (year < 1 || month < 0 || day < 0) return QDate();
  return QDate(year, month, day);
}

// A stored TIME (hh:mm, perhaps padded with blanks); invalid when it is not one.
QTime StoredTime(const QString& stored) {
  const QString text = stored.trimmed();
  if (text.size() != 5 || text[2] != QLatin1Char(':')) return QTime();
  const int hour = Digits(text, 0, 2), minute = Digits(text, 3, 2);
  if (hour < 0 || minute < 0) return QTime();
  return QTime(hour, minute);
}

// DUE of a task: a floating local date and time, a DATE value for a task without a time;
// false when the task has no (valid) date.
bool DueTime(const TaskRecord& task, icaltimetype* due) {
  const QDate date = StoredDate(task.date);
  if (!date.isValid()) return false;
  *due = icaltime_null_time();
  due->year = date.year();
  due->month = date.month();
  due->day = date.day();
  const QTime time = StoredTime(task.time);
  if (time.isValid()) {
    due->hour = time.hour();
    due->minute = time.minute();
  } else {
    due->is_date = 1;
  }
  return true;
}

// The lines of one property as libical writes it (folded, each ending in CR LF).
QByteArray Lines(icalproperty* property) {
  const TICalProperty owned(property);
  const TICalString text(icalproperty_as_ical_string_r(owned.get()));
  return QByteArray(text.get());
}

// Writes VTODOs. Every byte comes from libical: the lines that are the same for many tasks
// (the component's first and last lines, DTSTAMP, PRIORITY, STATUS) are written by it once
// per export and reused; the others are written per task.
class TTodoLines {
 public:
  TTodoLines(const QByteArray& folderDigest, const icaltimetype& stamp) : folderDigest_(folderDigest) {
    const TICalComponent empty(icalcomponent_new_vtodo());
    const TICalString text(icalcomponent_as_ical_string_r(empty.get()));
    const QByteArray both(text.get());
    const qsizetype split = both.indexOf("\r\n") + 2;
    begin_ = both.left(split);
    end_ = both.mid(split);
    stamp_ = Lines(icalproperty_new_dtstamp(stamp));
    for (const int priority : {0, 1, 5, 9}) priorities_[priority] = Lines(icalproperty_new_priority(priority));
    open_ = Lines(icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
    done_ = Lines(icalproperty_new_status(ICAL_STATUS_COMPLETED)) + Lines(icalproperty_new_percentcomplete(100));
  }

  QByteArray Todo(const TaskRecord& task) const {
    QByteArray out = begin_;
    out += Lines(icalproperty_new_uid(UidOf(task.recno, folderDigest_).constData()));
    out += stamp_;
    out += Lines(icalproperty_new_summary(IcalText(task.descript).constData()));
    if (!task.note.isEmpty()) out += Lines(icalproperty_new_description(IcalText(task.note).constData()));
    icaltimetype due;
    if (DueTime(task, &due)) out += Lines(icalproperty_new_due(due));
    out += priorities_.at(IcalPriority(task.priority));
    out += task.done ? done_ : open_;
    // One property per word, so that each word is one category.
    for (const QString& word : task.keys.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
      out += Lines(icalproperty_new_categories(word.toUtf8().constData()));
    }
    out += end_;
    return out;
  }

 private:
  QByteArray folderDigest_;
  QByteArray begin_, end_, stamp_, open_, done_;
  std::map<int, QByteArray> priorities_;
};

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

QByteArray CsvRow(const TaskRecord& task) {
  const QDate date = StoredDate(task.date);
  QString note = task.note;
  // Line breaks inside a field are CR LF like the rows'.
  note.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  QByteArray row;
  if (date.isValid()) {
    // yyyy-mm-dd from the stored yyyymmdd.
    row += task.date.left(4).toLatin1() + '-' + task.date.mid(4, 2).toLatin1() + '-' + task.date.mid(6, 2).toLatin1();
  }
  row += ',' + TTaskExchangeExport::CsvField(task.time.trimmed());
  row += ',' + TTaskExchangeExport::CsvField(task.descript);
  row += ',' + TTaskExchangeExport::CsvField(task.priority);
  row += task.done ? ",Yes" : ",No";
  row += ',' + TTaskExchangeExport::CsvField(task.keys);
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

Status TTaskExchangeExport::Write(TTaskWalk& source, TExchangeFormat format, const QString& folder,
                                  QIODevice& device, const std::function<void()>& betweenRows) {
  const bool calendar = format == TExchangeFormat::kICalendar;
  std::optional<TTodoLines> todos;
  if (calendar) {
    todos.emplace(FolderDigest(folder), icaltime_current_time_with_zone(icaltimezone_get_utc_timezone()));
    XB_RETURN_IF_ERROR(WriteBytes(device, CalendarHead()));
  } else {
    XB_RETURN_IF_ERROR(WriteBytes(device, QByteArray("\xEF\xBB\xBF") + kCsvHeader));
  }
  TaskRecord task;
  for (source.First(); !source.AtEnd(); source.Next()) {
    source.Read(task, {.keys = true, .note = true});
    XB_RETURN_IF_ERROR(WriteBytes(device, calendar ? todos->Todo(task) : CsvRow(task)));
    if (betweenRows) betweenRows();
  }
  if (calendar) XB_RETURN_IF_ERROR(WriteBytes(device, kEndCalendar));
  return Status::Ok();
}

Status TTaskExchangeExport::WriteFile(TTaskWalk& source, TExchangeFormat format, const QString& folder,
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
