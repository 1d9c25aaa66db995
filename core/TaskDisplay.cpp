#include "core/TaskDisplay.h"

namespace {

// Stored texts remembered per kind; the memory stays small whatever the list holds.
constexpr qsizetype kRememberedLimit = 4096;

template <typename Convert>
QString Remembered(QHash<QString, QString>& remembered, const QString& stored, Convert convert) {
  const auto found = remembered.constFind(stored);
  if (found != remembered.constEnd()) return *found;
  if (remembered.size() >= kRememberedLimit) remembered.clear();
  return *remembered.insert(stored, convert(stored));
}

}  // namespace

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

QString TaskDisplay::Show(const TaskRecord& task, Calculated column) const {
  switch (column) {
    case Calculated::kShowPriority: return ShowPriority(task.priority);
    case Calculated::kShowDate:
      return Remembered(dates_, task.date, [this](const QString& stored) { return ShowDate(stored); });
    case Calculated::kShowTime:
      return Remembered(times_, task.time, [this](const QString& stored) { return ShowTime(stored); });
    case Calculated::kIsDone: return IsDone(task.done);
  }
  return QString();
}

bool TaskDisplay::PriorityBold(const TaskRecord& task) {
  return !task.done && task.priority == QLatin1String("A");
}

bool TaskDisplay::DateBoldItalic(const TaskRecord& task, const QDate& today) {
  return !task.done && task.date == today.toString(QStringLiteral("yyyyMMdd"));
}
