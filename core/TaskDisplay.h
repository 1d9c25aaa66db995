// TaskDisplay: the four calculated columns of the task grid and the emphasis of its
// cells, computed from a task's stored fields without any window.
#pragma once

#include <QDate>
#include <QString>

#include "core/DateTimeFormat.h"

struct TaskRow;

class TaskDisplay {
 public:
  // Conversions run under the working date settings ("mm/dd/yyyy", '/', ':', AM/PM),
  // with the month names of `base` (the locale's, by default).
  explicit TaskDisplay(const TFormatSettings& base = FormatSettings());

  // "High", "Medium" or "Low" for A, B or C in either case; empty for anything else.
  static QString ShowPriority(const QString& priority);
  // The stored yyyymmdd date as "dd mmm yyyy"; empty when it is no date.
  QString ShowDate(const QString& date) const;
  // The stored hh:nn time as " hh:mmam/pm" (a blank, the 12-hour clock); empty when it is
  // no time.
  QString ShowTime(const QString& time) const;
  static QString IsDone(bool done) { return done ? QStringLiteral("Y") : QStringLiteral("N"); }

  // Fills the four display fields of `row` from its stored fields.
  void Calc(TaskRow& row) const;

  // Bold Priority cell: an undone task whose stored priority is exactly "A".
  static bool PriorityBold(const TaskRow& row);
  // Bold italic Date cell: an undone task dated `today`.
  static bool DateBoldItalic(const TaskRow& row, const QDate& today);

 private:
  TFormatSettings settings_;
};
