// TaskDisplay: the four calculated columns of the task grid and the emphasis of its
// cells, computed from a task's stored fields without any window.
#pragma once

#include <QDate>
#include <QHash>
#include <QString>

#include "core/DateTimeFormat.h"
#include "store/TaskRecord.h"

class TaskDisplay {
 public:
  // The calculated columns, named after the fields the grid shows them as.
  enum class Calculated { kShowPriority, kShowDate, kShowTime, kIsDone };

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

  // The text of calculated column `column` for `task`. Each stored date and time is
  // converted once and then remembered: a list holds the same few over and over.
  QString Show(const TaskRecord& task, Calculated column) const;

  // Bold Priority cell: an undone task whose stored priority is exactly "A".
  static bool PriorityBold(const TaskRecord& task);
  // Bold italic Date cell: an undone task dated `today`.
  static bool DateBoldItalic(const TaskRecord& task, const QDate& today);

 private:
  TFormatSettings settings_;
  // Display texts by stored text, for Show.
  mutable QHash<QString, QString> dates_;
  mutable QHash<QString, QString> times_;
};
