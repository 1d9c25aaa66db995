#include "core/TaskExchangeReader.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <mutex>

#include "core/ICalHandles.h"

namespace {

// Hands each content line of an iCalendar file to `take` after unfolding, with the number
// of the physical line it starts on, until `take` gives false. Physical lines end in LF or
// CR LF; one that starts with a blank or a tab continues the line before it (RFC 5545
// folding). Gives the number of the last physical line.
template <typename Take>
int Unfold(const QByteArray& bytes, Take&& take) {
  QByteArray pending;
  int pendingLine = 0, number = 0;
  qsizetype start = 0;
  while (start < bytes.size()) {
    qsizetype end = bytes.indexOf('\n', start);
    if (end < 0) end = bytes.size();
    qsizetype length = end - start;
    if (length > 0 && bytes[end - 1] == '\r') --length;
    const char* line = bytes.constData() + start;
    ++number;
    start = end + 1;
    if (pendingLine > 0 && length > 0 && (line[0] == ' ' || line[0] == '\t')) {
      pending.append(line + 1, length - 1);
      continue;
    }
    if (pendingLine > 0 && !take(pending, pendingLine)) return number;
    pending.clear();
    pending.append(line, length);
    pendingLine = number;
  }
  if (pendingLine > 0) take(pending, pendingLine);
  return number;
}

bool IsUtf8(const QByteArray& bytes) {
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return true;
  }
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  // The decoder notes a fault only while it decodes.
  const QString decoded = decoder(bytes);
  return !decoder.hasError();
}

QString LineError(int line, const QString& reason) {
  return line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(reason) : reason;
}

// The text of the first X-LIC-ERROR the parser left in `component` or below it.
QString ParserComplaint(icalcomponent* component) {
  if (icalproperty* error = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY)) {
    return QString::fromUtf8(icalproperty_get_xlicerror(error)).trimmed();
  }
  for (icalcomponent* child = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT); child;
       child = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT)) {
    const QString complaint = ParserComplaint(child);
    if (!complaint.isEmpty()) return complaint;
  }
  return QString();
}

QString Text(const char* utf8) { return utf8 ? QString::fromUtf8(utf8) : QString(); }

// A task text is one line: its line breaks become blanks.
QString OneLine(QString text) {
  return text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// Line breaks as the task files keep them.
QString CrLf(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

// Date and time of a DUE or DTSTART: a DATE value as it is, a floating time as it is, a
// time with a zone (or UTC) in local time.
void SetWhen(icaltimetype when, TImportedTask* task) {
  if (icaltime_is_null_time(when) || !icaltime_is_valid_time(when)) return;
  QDate date;
  QTime time;
  if (when.is_date) {
    date = QDate(when.year, when.month, when.day);
  } else if (when.zone == nullptr) {
    date = QDate(when.year, when.month, when.day);
    time = QTime(when.hour, when.minute);
  } else {
    const QDateTime local =
        QDateTime::fromSecsSinceEpoch(static_cast<qint64>(icaltime_as_timet_with_zone(when, when.zone)));
    date = local.date();
    time = local.time();
  }
  if (!date.isValid() || date.year() < 1 || date.year() > 9999) return;
  task->Date = date.toString(QStringLiteral("yyyyMMdd"));
  if (time.isValid()) task->Time = time.toString(QStringLiteral("hh:mm"));
}

QString PriorityCode(int priority) {
  if (priority >= 1 && priority <= 4) return QStringLiteral("A");
  if (priority >= 6 && priority <= 9) return QStringLiteral("C");
  return QStringLiteral("B");
}

TImportedTask TaskOf(icalcomponent* todo, TImportFile* file) {
  TImportedTask task;
  task.Priority = QStringLiteral("B");
  if (icalproperty* summary = icalcomponent_get_first_property(todo, ICAL_SUMMARY_PROPERTY)) {
    task.Summary = OneLine(Text(icalproperty_get_summary(summary)));
  }
  if (icalcomponent_get_first_property(todo, ICAL_DUE_PROPERTY)) {
    SetWhen(icalcomponent_get_due(todo), &task);
  } else if (icalcomponent_get_first_property(todo, ICAL_DTSTART_PROPERTY)) {
    SetWhen(icalcomponent_get_dtstart(todo), &task);
  }
  if (icalproperty* priority = icalcomponent_get_first_property(todo, ICAL_PRIORITY_PROPERTY)) {
    task.Priority = PriorityCode(icalproperty_get_priority(priority));
  }
  task.Done = icalcomponent_get_status(todo) == ICAL_STATUS_COMPLETED ||
              icalcomponent_get_first_property(todo, ICAL_COMPLETED_PROPERTY) != nullptr;
  QStringList words;
  for (icalproperty* category = icalcomponent_get_first_property(todo, ICAL_CATEGORIES_PROPERTY); category;
       category = icalcomponent_get_next_property(todo, ICAL_CATEGORIES_PROPERTY)) {
    const QString word = Text(icalproperty_get_categories(category)).simplified();
    if (!word.isEmpty()) words << word;
  }
  task.Keys = words.join(QLatin1Char(' '));

  QStringList note;
  if (icalproperty* description = icalcomponent_get_first_property(todo, ICAL_DESCRIPTION_PROPERTY)) {
    const QString text = Text(icalproperty_get_description(description));
    if (!text.isEmpty()) note << text;
  }
  for (icalproperty* rule = icalcomponent_get_first_property(todo, ICAL_RRULE_PROPERTY); rule;
       rule = icalcomponent_get_next_property(todo, ICAL_RRULE_PROPERTY)) {
    ++file->Recurrences;
    note << QStringLiteral("Repeats: ") + Text(icalproperty_get_value_as_string(rule));
  }
  for (icalcomponent* alarm = icalcomponent_get_first_component(todo, ICAL_VALARM_COMPONENT); alarm;
       alarm = icalcomponent_get_next_component(todo, ICAL_VALARM_COMPONENT)) {
    ++file->Alarms;
    icalproperty* trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
    note << QStringLiteral("Alarm: ") + (trigger ? Text(icalproperty_get_value_as_string(trigger)) : QString());
  }
  task.Note = CrLf(note.join(QLatin1Char('\n')));
  return task;
}

// ---- CSV

struct TCsvRecord {
  int Line = 0;
  QStringList Fields;
};

// Splits RFC 4180 records; an error names the line and the fault.
QString SplitCsv(const QString& text, std::vector<TCsvRecord>* records) {
  int line = 1;
  TCsvRecord record{1, {}};
  QString field;
  bool inQuotes = false, quoted = false;
  const auto endRecord = [&] {
    record.Fields << field;
    // A blank line is no record.
    if (record.Fields.size() > 1 || !record.Fields[0].isEmpty() || quoted) records->push_back(record);
    field.clear();
    quoted = false;
    record = {line, {}};
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (inQuotes) {
      if (c == QLatin1Char('"')) {
        if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
          field += c;
          ++i;
        } else {
          inQuotes = false;
        }
      } else {
        if (c == QLatin1Char('\n')) ++line;
        field += c;
      }
    } else if (c == QLatin1Char('"')) {
      if (!field.isEmpty() || quoted) {
        return LineError(line, QStringLiteral("a quote inside a field that is not quoted"));
      }
      inQuotes = quoted = true;
    } else if (c == QLatin1Char(',')) {
      record.Fields << field;
      field.clear();
      quoted = false;
    } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
      ++line;
      endRecord();
    } else {
      if (quoted) return LineError(line, QStringLiteral("text after the closing quote of a field"));
      field += c;
    }
  }
  if (inQuotes) return LineError(record.Line, QStringLiteral("a quoted field is not closed"));
  if (!record.Fields.isEmpty() || !field.isEmpty() || quoted) endRecord();
  return QString();
}

enum CsvColumn { kDate, kTime, kTask, kPriority, kDone, kKeys, kNote, kColumns };
constexpr const char* kColumnNames[kColumns] = {"date", "time", "task", "priority", "done", "key words", "note"};

QString CsvValue(const TCsvRecord& record, const int (&columns)[kColumns], CsvColumn column) {
  return columns[column] < 0 ? QString() : record.Fields[columns[column]];
}

QString ReadCsvRow(const TCsvRecord& row, const int (&columns)[kColumns], TImportedTask* task) {
  const QString date = CsvValue(row, columns, kDate).trimmed();
  if (!date.isEmpty()) {
    // Spreadsheets may drop the leading zeros of month and day.
    const QDate parsed = QDate::fromString(date, QStringLiteral("yyyy-M-d"));
    if (!parsed.isValid()) return LineError(row.Line, QStringLiteral("the date \"%1\" is not yyyy-mm-dd").arg(date));
    task->Date = parsed.toString(QStringLiteral("yyyyMMdd"));
  }
  const QString time = CsvValue(row, columns, kTime).trimmed();
  if (!time.isEmpty()) {
    QTime parsed = QTime::fromString(time, QStringLiteral("H:mm"));
    if (!parsed.isValid()) parsed = QTime::fromString(time, QStringLiteral("H:mm:ss"));
    if (!parsed.isValid()) return LineError(row.Line, QStringLiteral("the time \"%1\" is not HH:MM").arg(time));
    task->Time = parsed.toString(QStringLiteral("hh:mm"));
  }
  task->Summary = OneLine(CsvValue(row, columns, kTask));
  const QString priority = CsvValue(row, columns, kPriority).trimmed().toUpper();
  if (!priority.isEmpty() && priority != QLatin1String("A") && priority != QLatin1String("B") &&
      priority != QLatin1String("C")) {
    return LineError(row.Line, QStringLiteral("the priority \"%1\" is not A, B or C").arg(priority));
  }
  task->Priority = priority;
  const QString done = CsvValue(row, columns, kDone).trimmed().toLower();
  static const QStringList kYes = {QStringLiteral("yes"), QStringLiteral("true"), QStringLiteral("1"),
                                   QStringLiteral("x"), QStringLiteral("y")};
  static const QStringList kNo = {QString(), QStringLiteral("no"), QStringLiteral("false"), QStringLiteral("0"),
                                  QStringLiteral("n")};
  if (!kYes.contains(done) && !kNo.contains(done)) {
    return LineError(row.Line, QStringLiteral("Done \"%1\" is neither Yes nor No").arg(done));
  }
  task->Done = kYes.contains(done);
  task->Keys = CsvValue(row, columns, kKeys).simplified();
  task->Note = CrLf(CsvValue(row, columns, kNote));
  return QString();
}

}  // namespace

TImportFile TTaskExchangeReader::ReadICalendar(const QByteArray& bytes) {
  // A fault in the file must never end the program.
  static std::once_flag quiet;
  std::call_once(quiet, [] { icalerror_set_errors_are_fatal(0); });

  // libical parses every line. The calendar's own lines go to one parser; each item inside
  // it (a VTODO, a VEVENT, a VTIMEZONE, ...) to another, which hands it over at its END, so
  // that an item is read and freed at once instead of a whole file's tree being held.
  // Time zones are kept in `zones`: a to-do is read as their sibling, where libical finds
  // its TZID. A to-do naming a zone not met yet is read at the end of the file.
  TImportFile file;
  const TICalParser outer(icalparser_new());
  const TICalParser items(icalparser_new());
  const TICalComponent zones(icalcomponent_new_vcalendar());
  std::vector<std::pair<size_t, TICalComponent>> deferred;
  int errorLine = 0, itemDepth = 0, calendars = 0;
  bool inCalendar = false;
  QString complaint;

  const auto waitsForZone = [&zones](icalcomponent* todo) {
    icalproperty* when = icalcomponent_get_first_property(todo, ICAL_DUE_PROPERTY);
    if (!when) when = icalcomponent_get_first_property(todo, ICAL_DTSTART_PROPERTY);
    icalparameter* tzid = when ? icalproperty_get_first_parameter(when, ICAL_TZID_PARAMETER) : nullptr;
    return tzid && !icalcomponent_get_timezone(zones.get(), icalparameter_get_tzid(tzid));
  };
  const auto readTodo = [&zones, &file](icalcomponent* todo) {
    icalcomponent_add_component(zones.get(), todo);
    TImportedTask task = TaskOf(todo, &file);
    icalcomponent_remove_component(zones.get(), todo);
    return task;
  };
  // An item complete: gives false when the parser found fault with it.
  const auto take = [&](icalcomponent* item) {
    TICalComponent owned(item);
    if (icalcomponent_isa(item) == ICAL_XLICINVALID_COMPONENT) {
      complaint = QStringLiteral("not an iCalendar item");
      return false;
    }
    complaint = ParserComplaint(item);
    if (!complaint.isEmpty()) return false;
    switch (icalcomponent_isa(item)) {
      case ICAL_VTODO_COMPONENT:
        if (waitsForZone(item)) {
          deferred.emplace_back(file.Tasks.size(), std::move(owned));
          file.Tasks.emplace_back();
        } else {
          file.Tasks.push_back(readTodo(item));
        }
        break;
      case ICAL_VTIMEZONE_COMPONENT:
        icalcomponent_add_component(zones.get(), owned.release());
        break;
      case ICAL_VCALENDAR_COMPONENT:
        ++calendars;
        break;
      case ICAL_VEVENT_COMPONENT:
        ++file.Events;
        break;
      case ICAL_VJOURNAL_COMPONENT:
        ++file.Journals;
        break;
      default:
        ++file.OtherItems;
        break;
    }
    return true;
  };

  const int lastLine = Unfold(bytes, [&](QByteArray& line, int number) {
    if (line.trimmed().isEmpty()) return true;
    if (!IsUtf8(line)) {
      file.Error = LineError(number, QStringLiteral("the text is not UTF-8"));
      return false;
    }
    const bool begin = qstrnicmp(line.constData(), "BEGIN:", 6) == 0;
    const bool end = qstrnicmp(line.constData(), "END:", 4) == 0;
    const bool calendar = (begin || end) && line.mid(begin ? 6 : 4).trimmed().toUpper() == "VCALENDAR";
    icalparser* parser = items.get();
    if (itemDepth > 0) {
      itemDepth += begin ? 1 : end ? -1 : 0;
    } else if (begin && !calendar) {
      itemDepth = 1;
    } else {
      parser = outer.get();
      if (calendar) inCalendar = begin;
    }
    icalcomponent* finished = icalparser_add_line(parser, line.data());
    if (icalparser_get_state(parser) == ICALPARSER_ERROR && errorLine == 0) errorLine = number;
    return !finished || take(finished);
  });
  if (!file.ok()) {
    file.Tasks.clear();
    return file;
  }
  if (complaint.isEmpty() && errorLine > 0) complaint = QStringLiteral("the parser could not read this line");
  if (!complaint.isEmpty()) {
    file.Error = LineError(errorLine, complaint);
    file.Tasks.clear();
    return file;
  }
  // What a parser still holds at the end of the file; the parser keeps it and frees it.
  icalcomponent* unfinished = icalparser_clean(items.get());
  if (!unfinished) unfinished = icalparser_clean(outer.get());
  if (unfinished || inCalendar || itemDepth > 0) {
    const QString kind = unfinished ? QString::fromUtf8(icalcomponent_kind_to_string(icalcomponent_isa(unfinished)))
                                    : QStringLiteral("VCALENDAR");
    file.Error = LineError(lastLine, QStringLiteral("the file ends before END:%1").arg(kind));
    file.Tasks.clear();
    return file;
  }
  if (calendars == 0 && file.Tasks.empty() && file.Events + file.Journals + file.OtherItems == 0) {
    file.Error = QStringLiteral("no iCalendar data: the file has no BEGIN:VCALENDAR");
    return file;
  }
  for (auto& [index, todo] : deferred) file.Tasks[index] = readTodo(todo.get());
  return file;
}

TImportFile TTaskExchangeReader::ReadCsv(const QByteArray& bytes) {
  TImportFile file;
  QByteArray body = bytes;
  if (body.startsWith("\xEF\xBB\xBF")) body.remove(0, 3);
  if (!IsUtf8(body)) {
    int line = 1;
    for (const QByteArray& physical : body.split('\n')) {
      if (!IsUtf8(physical)) break;
      ++line;
    }
    file.Error = LineError(line, QStringLiteral("the text is not UTF-8"));
    return file;
  }
  std::vector<TCsvRecord> records;
  file.Error = SplitCsv(QString::fromUtf8(body), &records);
  if (!file.ok()) return file;
  if (records.empty()) {
    file.Error =
        QStringLiteral("the file is empty: it needs the header row Date,Time,Task,Priority,Done,Key words,Note");
    return file;
  }
  int columns[kColumns];
  std::fill(std::begin(columns), std::end(columns), -1);
  const TCsvRecord& header = records.front();
  for (qsizetype i = 0; i < header.Fields.size(); ++i) {
    const QString name = header.Fields[i].simplified().toLower();
    for (int c = 0; c < kColumns; ++c) {
      if (name == QLatin1String(kColumnNames[c]) && columns[c] < 0) columns[c] = static_cast<int>(i);
    }
  }
  if (columns[kTask] < 0) {
    file.Error = LineError(header.Line, QStringLiteral("the header row has no Task column (it names the columns: "
                                                       "Date,Time,Task,Priority,Done,Key words,Note)"));
    return file;
  }
  for (size_t r = 1; r < records.size(); ++r) {
    const TCsvRecord& row = records[r];
    if (row.Fields.size() != header.Fields.size()) {
      file.Error = LineError(row.Line, QStringLiteral("%1 fields where the header row has %2")
                                           .arg(row.Fields.size())
                                           .arg(header.Fields.size()));
      file.Tasks.clear();
      return file;
    }
    TImportedTask task;
    file.Error = ReadCsvRow(row, columns, &task);
    if (!file.ok()) {
      file.Tasks.clear();
      return file;
    }
    file.Tasks.push_back(std::move(task));
  }
  return file;
}

TImportFile TTaskExchangeReader::Read(const QByteArray& bytes, TImportFormat format) {
  return format == TImportFormat::kCsv ? ReadCsv(bytes) : ReadICalendar(bytes);
}

TImportFile TTaskExchangeReader::ReadFile(const QString& path, TImportFormat format) {
  TImportFile file;
  QFile in(path);
  if (!in.open(QIODevice::ReadOnly)) {
    file.Error = QStringLiteral("Unable to read %1: %2").arg(path, in.errorString());
    return file;
  }
  if (in.size() > kMaxFileSize) {
    file.Error =
        QStringLiteral("%1 is larger than %2 MB, more than a task list holds").arg(path).arg(kMaxFileSize >> 20);
    return file;
  }
  const QByteArray bytes = in.readAll();
  if (in.error() != QFileDevice::NoError) {
    file.Error = QStringLiteral("Unable to read %1: %2").arg(path, in.errorString());
    return file;
  }
  return Read(bytes, format);
}

TImportFormat TTaskExchangeReader::FormatOf(const QString& path) {
  return QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 ? TImportFormat::kCsv
                                                                                          : TImportFormat::kICalendar;
}
