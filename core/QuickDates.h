// The quick date items: seventeen dates counted from today, offered by the main
// window's quick date menu and the task editor.
#pragma once

#include <QDate>
#include <QString>
#include <vector>

struct TQuickDate {
  QString Name;     // object name of the menu item, e.g. "WeekFromToday"
  int Tag = 0;      // days added to today
  QString Caption;  // e.g. "A Week From Today\t03/12/2024"
};

// The items in menu order, captions built from `today` under the working date
// settings: full day names from the locale, short dates as mm/dd/yyyy.
std::vector<TQuickDate> QuickDates(const QDate& today);
