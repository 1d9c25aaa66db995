#include "core/TaskDisplay.h"

#include "store/TodoTable.h"

TaskDisplay::TaskDisplay(const TFormatSettings& base) : settings_(base) {
  const TDateFormatSet working = WorkingDateFormats();
  settings_.ShortDateFormat = working.ShortDateFormat;
  settings_.DateSeparator = working.DateSeparator;
  settings_.TimeSeparator = working.TimeSeparator;
  settings_.TimeAMString = working.TimeAMString;
  settings_.TimePMString = working.TimePMString;
}

QString TaskDisplay::ShowPriority(const QString& priority) {
  const QString code = priority.toUpper();
  if (code == QLatin1String("A")) return QStringLiteral("High");
  if (code == QLatin1String("B")) return QStringLiteral("Medium");
  if (code == QLatin1String("C")) return QStringLiteral("Low");
  return QString();
}

QString TaskDisplay::ShowDate(const QString& date) const {
  // yyyymmdd read back as month/day/year under the working settings.
  const QString text = date.mid(4, 2) + QLatin1Char('/') + date.mid(6, 2) + QLatin1Char('/') + date.left(4);
  QDate value;
  if (!TryStrToDate(text, value, settings_)) return QString();
  return FormatDateTime(QStringLiteral("dd mmm yyyy"), value, settings_);
}

QString TaskDisplay::ShowTime(const QString& time) const {
  QTime value;
  if (!TryStrToTime(time, value, settings_)) return QString();
  return FormatDateTime(QStringLiteral(" hh:mmam/pm"), value, settings_);
}

void TaskDisplay::Calc(TaskRow& row) const {
  row.show_date = ShowDate(row.date);
  row.is_done = IsDone(row.done);
  row.show_time = ShowTime(row.time);
  row.show_priority = ShowPriority(row.priority);
}

bool TaskDisplay::PriorityBold(const TaskRow& row) {
  return !row.done && row.priority == QLatin1String("A");
}

bool TaskDisplay::DateBoldItalic(const TaskRow& row, const QDate& today) {
  return !row.done && row.date == today.toString(QStringLiteral("yyyyMMdd"));
}
