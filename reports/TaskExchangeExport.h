// TTaskExchangeExport: the task list written for other programs, as an iCalendar file of
// to-dos (built and written by libical) or as a CSV file for spreadsheets. It walks a
// task list, so the main window (its order and filter) and jlistreport (a folder's)
// write the same bytes.
//
// iCalendar: one VTODO per task with UID, DTSTAMP, SUMMARY (task text), DESCRIPTION
// (note, when there is one), DUE (floating local date and time; a DATE value for a task
// without a time; none when undated), PRIORITY (A 1, B 5, C 9, none 0), STATUS
// (COMPLETED with PERCENT-COMPLETE 100 when done, else NEEDS-ACTION) and one CATEGORIES
// per key word (words split at blanks, as the key word list splits them; a word holding a
// comma reads back as two categories, libical writing CATEGORIES values unescaped).
//
// CSV (RFC 4180): UTF-8 with a byte-order mark, CR LF line ends, the header row
// Date,Time,Task,Priority,Done,Key words,Note, then one row per task: Date yyyy-mm-dd,
// Time HH:MM, Done "Yes" or "No"; a field holding a comma, a quote or a line break is
// quoted, quotes doubled; a note keeps its line breaks as CR LF.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

#include "store/xbase/Status.h"

class QIODevice;
class TTaskWalk;

enum class TExchangeFormat { kICalendar, kCsv };

class TTaskExchangeExport {
 public:
  // The UID of the task in record `recno` of the task files in `folder`: the record
  // number and the first 16 hexadecimal digits of the SHA-1 of the folder's canonical
  // path, "jotlist-<recno>-<digest>@localhost". It stays the same across exports while
  // the task exists; it changes when the files move to another folder, and when Rebuild
  // Indexes packs out deleted tasks that stood before it in the file (the records after
  // them get new numbers).
  static QByteArray Uid(uint32_t recno, const QString& folder);

  // Writes the whole file to `device` (open for writing), walking `source` from its first
  // task; `folder` is the task files' folder (for the UIDs). `betweenRows`, when set, is
  // called after each task. A refused write stops with kIoError and the device's reason.
  static xbase::Status Write(TTaskWalk& source, TExchangeFormat format, const QString& folder,
                             QIODevice& device, const std::function<void()>& betweenRows = {});

  // Writes the file `path` whole or not at all: into a temporary file beside it that
  // replaces `path` only once every byte is written and synced. A failure gives kIoError
  // "Unable to write to <path>: <reason>" and leaves what was at `path` as it was.
  static xbase::Status WriteFile(TTaskWalk& source, TExchangeFormat format, const QString& folder,
                                 const QString& path, const std::function<void()>& betweenRows = {});

  // One CSV field: as it is, or quoted with its quotes doubled when it holds a comma, a
  // quote, a CR or a LF.
  static QByteArray CsvField(const QString& text);
};
