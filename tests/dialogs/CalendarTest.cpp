#include <QDate>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "core/DateTimeFormat.h"
#include "dialogs/Calendar.h"

namespace {

// A calendar laid out at the date selector's size, showing `date`.
struct CalendarAt {
  explicit CalendarAt(const QDate& date) {
    calendar.resize(413, 132);
    calendar.SetSelectedDate(date);
  }
  TCalendar calendar;
};

// Finds the cell showing `day`; false when no cell shows it.
bool FindDay(const TCalendar& calendar, int day, int* col, int* row) {
  for (int r = 1; r < TCalendar::kRowCount; ++r)
    for (int c = 0; c < TCalendar::kColCount; ++c)
      if (calendar.CellText(c, r) == QString::number(day)) {
        *col = c;
        *row = r;
        return true;
      }
  return false;
}

struct Step {
  QDate from;
  void (TCalendar::*step)();
  QDate to;
  const char* what;
};

TEST(CalendarTest, MonthAndYearStepsKeepTheDayOrTakeTheMonthsLastDay) {
  const Step steps[] = {
      {QDate(2023, 1, 31), &TCalendar::ShowNextMonth, QDate(2023, 2, 28), "31 Jan + month, common year"},
      {QDate(2024, 1, 31), &TCalendar::ShowNextMonth, QDate(2024, 2, 29), "31 Jan + month, leap year"},
      {QDate(2023, 3, 31), &TCalendar::ShowPreviousMonth, QDate(2023, 2, 28), "31 Mar - month, common year"},
      {QDate(2024, 3, 31), &TCalendar::ShowPreviousMonth, QDate(2024, 2, 29), "31 Mar - month, leap year"},
      {QDate(2023, 5, 31), &TCalendar::ShowNextMonth, QDate(2023, 6, 30), "31 May + month"},
      {QDate(2023, 2, 28), &TCalendar::ShowNextMonth, QDate(2023, 3, 28), "day kept when it exists"},
      {QDate(2023, 12, 15), &TCalendar::ShowNextMonth, QDate(2024, 1, 15), "December into January"},
      {QDate(2024, 1, 1), &TCalendar::ShowPreviousMonth, QDate(2023, 12, 1), "January into December"},
      {QDate(2024, 2, 29), &TCalendar::ShowNextYear, QDate(2025, 2, 28), "29 Feb + year"},
      {QDate(2024, 2, 29), &TCalendar::ShowPreviousYear, QDate(2023, 2, 28), "29 Feb - year"},
      {QDate(2000, 2, 29), &TCalendar::ShowNextYear, QDate(2001, 2, 28), "29 Feb 2000 + year"},
      {QDate(2023, 2, 28), &TCalendar::ShowNextYear, QDate(2024, 2, 28), "28 Feb stays 28 Feb"},
      {QDate(2020, 7, 4), &TCalendar::ShowPreviousYear, QDate(2019, 7, 4), "plain year back"},
      {QDate(9999, 12, 31), &TCalendar::ShowNextMonth, QDate(9999, 12, 31), "no month past year 9999"},
      {QDate(9999, 6, 1), &TCalendar::ShowNextYear, QDate(9999, 6, 1), "no year past 9999"},
      {QDate(1, 1, 1), &TCalendar::ShowPreviousMonth, QDate(1, 1, 1), "no month before year 1"},
      {QDate(1, 5, 5), &TCalendar::ShowPreviousYear, QDate(1, 5, 5), "no year before 1"},
  };
  for (const Step& s : steps) {
    CalendarAt at(s.from);
    (at.calendar.*s.step)();
    EXPECT_EQ(at.calendar.SelectedDate(), s.to) << s.what;
  }
}

TEST(CalendarTest, LeapYearsAndMonthLengths) {
  EXPECT_TRUE(TCalendar::IsLeapYear(2000));
  EXPECT_TRUE(TCalendar::IsLeapYear(2024));
  EXPECT_FALSE(TCalendar::IsLeapYear(1900));
  EXPECT_FALSE(TCalendar::IsLeapYear(2023));
  EXPECT_EQ(TCalendar::DaysPerMonth(2023, 2), 28);
  EXPECT_EQ(TCalendar::DaysPerMonth(2024, 2), 29);
  EXPECT_EQ(TCalendar::DaysPerMonth(2023, 4), 30);
  EXPECT_EQ(TCalendar::DaysPerMonth(2023, 12), 31);
  EXPECT_EQ(TCalendar::DaysPerMonth(2023, 0), 0);
  EXPECT_EQ(TCalendar::DaysPerMonth(2023, 13), 0);
}

TEST(CalendarTest, FirstOfMonthStandsInRowOneUnderItsWeekday) {
  // June 2024 starts on a Saturday, September 2024 on a Sunday, July 2024 on a Monday.
  CalendarAt june(QDate(2024, 6, 10));
  int col = -1;
  int row = -1;
  ASSERT_TRUE(FindDay(june.calendar, 1, &col, &row));
  EXPECT_EQ(col, 6);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(june.calendar.MonthOffset(), -5);

  CalendarAt september(QDate(2024, 9, 10));
  ASSERT_TRUE(FindDay(september.calendar, 1, &col, &row));
  EXPECT_EQ(col, 0);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(september.calendar.MonthOffset(), 1);

  CalendarAt july(QDate(2024, 7, 10));
  july.calendar.SetStartOfWeek(1);
  ASSERT_TRUE(FindDay(july.calendar, 1, &col, &row));
  EXPECT_EQ(col, 0);
  EXPECT_EQ(row, 1);
  july.calendar.SetStartOfWeek(2);  // Tuesday first: the Monday 1st moves to the last column
  ASSERT_TRUE(FindDay(july.calendar, 1, &col, &row));
  EXPECT_EQ(col, 6);
  EXPECT_EQ(row, 1);
}

TEST(CalendarTest, EveryMonthAndWeekStartShowsAllDaysInWeekdayColumns) {
  const auto& dayNames = FormatSettings().ShortDayNames;
  for (int startOfWeek = 0; startOfWeek < 7; ++startOfWeek) {
    for (int month = 1; month <= 24; ++month) {
      const QDate date(2023 + (month - 1) / 12, (month - 1) % 12 + 1, 17);
      CalendarAt at(date);
      at.calendar.SetStartOfWeek(startOfWeek);
      const TCalendar& cal = at.calendar;
      SCOPED_TRACE(QStringLiteral("%1 start %2").arg(date.toString(Qt::ISODate)).arg(startOfWeek).toStdString());
      for (int c = 0; c < 7; ++c) EXPECT_EQ(cal.CellText(c, 0), dayNames[(c + startOfWeek) % 7]);
      int shown = 0;
      for (int r = 1; r < 7; ++r) {
        for (int c = 0; c < 7; ++c) {
          const QString text = cal.CellText(c, r);
          if (text.isEmpty()) continue;
          ++shown;
          const QDate cellDate(date.year(), date.month(), text.toInt());
          const int sundayBased = cellDate.dayOfWeek() % 7;
          EXPECT_EQ(c, (sundayBased - startOfWeek + 7) % 7) << "day " << text.toStdString();
        }
      }
      EXPECT_EQ(shown, date.daysInMonth());
      int col = -1;
      int row = -1;
      ASSERT_TRUE(FindDay(cal, 1, &col, &row));
      EXPECT_EQ(row, 1);
      EXPECT_EQ(cal.CellText(cal.Col(), cal.Row()), QString::number(date.day()));
    }
  }
}

TEST(CalendarTest, SettersIgnoreOrRefuseImpossibleParts) {
  CalendarAt at(QDate(2024, 2, 29));
  TCalendar& cal = at.calendar;
  QSignalSpy changes(&cal, &TCalendar::OnChange);
  EXPECT_FALSE(cal.SetDay(0));
  EXPECT_FALSE(cal.SetDay(30));   // February has 29 days
  EXPECT_FALSE(cal.SetDay(29));   // unchanged
  EXPECT_FALSE(cal.SetMonth(13));
  EXPECT_FALSE(cal.SetMonth(0));
  EXPECT_FALSE(cal.SetYear(2023));  // 29 February 2023 does not exist
  EXPECT_FALSE(cal.SetYear(0));
  EXPECT_FALSE(cal.SetYear(10000));
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 2, 29));
  EXPECT_EQ(changes.count(), 0);
  EXPECT_TRUE(cal.UseCurrentDate());

  EXPECT_TRUE(cal.SetYear(2028));
  EXPECT_EQ(cal.SelectedDate(), QDate(2028, 2, 29));
  EXPECT_FALSE(cal.UseCurrentDate());
  EXPECT_TRUE(cal.SetMonth(3));
  EXPECT_TRUE(cal.SetDay(31));
  EXPECT_EQ(cal.SelectedDate(), QDate(2028, 3, 31));
  EXPECT_FALSE(cal.SetMonth(4));  // no 31 April
  EXPECT_EQ(changes.count(), 3);
}

TEST(CalendarTest, SelectedDateAlwaysSignalsAndUseCurrentDateGoesToToday) {
  TCalendar cal;
  EXPECT_EQ(cal.SelectedDate(), QDate::currentDate());
  QSignalSpy changes(&cal, &TCalendar::OnChange);
  cal.SetSelectedDate(QDate(2010, 10, 10));
  cal.SetSelectedDate(QDate(2010, 10, 10));
  cal.SetSelectedDate(QDate());  // invalid: ignored
  EXPECT_EQ(changes.count(), 2);
  EXPECT_EQ(cal.SelectedDate(), QDate(2010, 10, 10));

  cal.SetDay(11);
  ASSERT_FALSE(cal.UseCurrentDate());
  changes.clear();
  cal.SetUseCurrentDate(true);
  EXPECT_EQ(cal.SelectedDate(), QDate::currentDate());
  EXPECT_EQ(cal.CellText(cal.Col(), cal.Row()), QString::number(QDate::currentDate().day()));
  EXPECT_EQ(changes.count(), 0);
}

TEST(CalendarTest, PicksOnlyDayCellsAndOnlyWhenNotReadOnly) {
  CalendarAt at(QDate(2024, 6, 10));  // 1st in column 6: row 1 columns 0 to 5 are empty
  TCalendar& cal = at.calendar;
  QSignalSpy changes(&cal, &TCalendar::OnChange);
  EXPECT_FALSE(cal.SelectCell(0, 1));
  EXPECT_FALSE(cal.SelectCell(3, 0));  // day names
  EXPECT_FALSE(cal.SelectCell(7, 2));  // off the grid
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 10));
  EXPECT_EQ(changes.count(), 0);

  int col = -1;
  int row = -1;
  ASSERT_TRUE(FindDay(cal, 20, &col, &row));
  EXPECT_TRUE(cal.SelectCell(col, row));
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 20));
  EXPECT_EQ(cal.Col(), col);
  EXPECT_EQ(cal.Row(), row);
  EXPECT_EQ(changes.count(), 1);

  cal.SetReadOnly(true);
  ASSERT_TRUE(FindDay(cal, 5, &col, &row));
  EXPECT_FALSE(cal.SelectCell(col, row));
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 20));
  cal.ShowNextMonth();  // the program still moves a read-only calendar
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 7, 20));
}

TEST(CalendarTest, MouseClicksPickDaysAndIgnoreEmptyCells) {
  CalendarAt at(QDate(2024, 6, 10));
  TCalendar& cal = at.calendar;
  cal.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&cal));
  // After the 30th (the 30th is in row 6, column 0).
  QTest::mouseClick(&cal, Qt::LeftButton, {}, cal.CellRect(3, 6).center());
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 10));
  QTest::mouseClick(&cal, Qt::LeftButton, {}, cal.CellRect(2, 0).center());
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 10));
  int col = -1;
  int row = -1;
  ASSERT_TRUE(FindDay(cal, 27, &col, &row));
  QTest::mouseClick(&cal, Qt::LeftButton, {}, cal.CellRect(col, row).center());
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 27));
}

TEST(CalendarTest, ArrowKeysMoveWithinTheMonthOnly) {
  CalendarAt at(QDate(2024, 6, 1));  // Saturday, last column of row 1
  TCalendar& cal = at.calendar;
  QTest::keyClick(&cal, Qt::Key_Left);  // empty cell: no move
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 1));
  QTest::keyClick(&cal, Qt::Key_Right);  // past the last column: no move
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 1));
  QTest::keyClick(&cal, Qt::Key_Up);  // the day names cannot be picked
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 1));
  QTest::keyClick(&cal, Qt::Key_Down);
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 8));
  QTest::keyClick(&cal, Qt::Key_Home);
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 2));
  cal.SetDay(29);
  QTest::keyClick(&cal, Qt::Key_Down);  // would be the 36th
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 29));
  QTest::keyClick(&cal, Qt::Key_Right);  // the 29th ends its row
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 29));
  cal.SetDay(23);
  QTest::keyClick(&cal, Qt::Key_Down);
  EXPECT_EQ(cal.SelectedDate(), QDate(2024, 6, 30));
}

TEST(CalendarTest, CellsShareTheClientAreaLessGridLines) {
  TCalendar cal;
  cal.resize(413, 132);
  EXPECT_EQ(cal.DefaultColWidth(), (413 - 6) / 7);
  EXPECT_EQ(cal.DefaultRowHeight(), (132 - 6) / 7);
  const QRect last = cal.CellRect(6, 6);
  EXPECT_LE(last.right(), 412);
  EXPECT_LE(last.bottom(), 131);
  int col = -1;
  int row = -1;
  ASSERT_TRUE(cal.CellAt(cal.CellRect(4, 3).center(), &col, &row));
  EXPECT_EQ(col, 4);
  EXPECT_EQ(row, 3);
}

}  // namespace
