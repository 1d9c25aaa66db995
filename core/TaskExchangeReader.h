// TTaskExchangeReader: tasks read from the files other programs write, an iCalendar file
// (parsed by libical) or a CSV file with the header row of our own CSV export. It reads
// only: what the task table can hold is decided when the tasks are stored.
//
// VTODO to task: SUMMARY; DUE, or DTSTART without a DUE (converted to local time when it
// carries a zone or is UTC; a DATE value gives a date without a time); PRIORITY 1-4 A,
// 5 or none B, 6-9 C; STATUS COMPLETED or a COMPLETED date makes it done; the CATEGORIES
// joined by blanks are its key words; DESCRIPTION its note. A recurrence rule and each
// alarm are kept as a line of the note and counted. Events, journal entries and other
// items are skipped and counted.
//
// A file the parser finds fault with is refused as a whole: no tasks, and an error naming
// the line (1 for the first) and the reason.
//
// Needs Qt Core and libical only, so that the fuzz build compiles it on its own.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

struct TImportedTask {
  QString Date;      // yyyymmdd, or empty
  QString Time;      // hh:nn (24-hour), or empty
  QString Summary;   // the whole text, however long
  QString Priority;  // A, B or C
  bool Done = false;
  QString Keys;      // key words separated by blanks
  QString Note;      // line breaks as CR LF
};

struct TImportFile {
  std::vector<TImportedTask> Tasks;
  // Items skipped.
  int Events = 0;
  int Journals = 0;
  int OtherItems = 0;
  // Kept only as a line of the task's note.
  int Recurrences = 0;
  int Alarms = 0;
  // Why the file is refused ("line 12: ..."); empty when it was read.
  QString Error;
  bool ok() const { return Error.isEmpty(); }
};

enum class TImportFormat { kICalendar, kCsv };

class TTaskExchangeReader {
 public:
  // Files larger than this are refused before they are read.
  static constexpr qint64 kMaxFileSize = qint64(256) << 20;

  static TImportFile ReadICalendar(const QByteArray& bytes);
  static TImportFile ReadCsv(const QByteArray& bytes);
  static TImportFile Read(const QByteArray& bytes, TImportFormat format);
  // Reads the file `path` in `format`; a file that cannot be read, or is larger than
  // kMaxFileSize, gives an error naming it and the reason.
  static TImportFile ReadFile(const QString& path, TImportFormat format);
  // The format a file name's extension names (".csv" CSV, anything else iCalendar).
  static TImportFormat FormatOf(const QString& path);
};
