#include "core/QuickDates.h"

#include "core/DateTimeFormat.h"

std::vector<TQuickDate> QuickDates(const QDate& today) {
  TFormatSettings settings = FormatSettings();
  const TDateFormatSet working = WorkingDateFormats();
  settings.ShortDateFormat = working.ShortDateFormat;
  settings.DateSeparator = working.DateSeparator;

  const auto day_name = [&](int n) { return FormatDateTime(QStringLiteral("dddd"), today.addDays(n), settings); };
  const auto item = [&](const QString& name, int n, const QString& label) {
    return TQuickDate{name, n, label + QLatin1Char('\t') + FormatDateTime(QStringLiteral("ddddd"), today.addDays(n), settings)};
  };

  std::vector<TQuickDate> items;
  items.push_back(item(QStringLiteral("Today"), 0, QStringLiteral("Today")));
  items.push_back(item(QStringLiteral("Tomorrow"), 1, QStringLiteral("Tomorrow")));
  for (int n = 2; n <= 6; ++n) items.push_back(item(QStringLiteral("TodayPlus%1").arg(n), n, day_name(n)));
  items.push_back(item(QStringLiteral("WeekFromToday"), 7, QStringLiteral("A Week From Today")));
  items.push_back(item(QStringLiteral("WeekFromTommorrow"), 8, QStringLiteral("A Week From Tomorrow")));
  for (int n = 9; n <= 13; ++n) {
    items.push_back(item(QStringLiteral("Week%1").arg(n - 7), n, QStringLiteral("A Week from ") + day_name(n)));
  }
  items.push_back(item(QStringLiteral("TwoWeeksFromToday"), 14, QStringLiteral("Two Weeks From Today")));
  items.push_back(item(QStringLiteral("ThreeWeeksFromToday"), 21, QStringLiteral("Three Weeks From Today")));
  items.push_back(item(QStringLiteral("ThirtyDaysFromToday"), 30, QStringLiteral("30 Days From Today")));
  return items;
}
