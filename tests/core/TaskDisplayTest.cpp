// The grid's calculated columns, cell emphasis and the quick date captions.
#include "core/TaskDisplay.h"

#include <gtest/gtest.h>

#include "core/DateTimeFormat.h"
#include "core/QuickDates.h"
#include "store/TaskRecord.h"

namespace {

TEST(TaskDisplayTest, PriorityCodesInEitherCase) {
  EXPECT_EQ(TaskDisplay::ShowPriority("A"), "High");
  EXPECT_EQ(TaskDisplay::ShowPriority("a"), "High");
  EXPECT_EQ(TaskDisplay::ShowPriority("B"), "Medium");
  EXPECT_EQ(TaskDisplay::ShowPriority("c"), "Low");
  EXPECT_EQ(TaskDisplay::ShowPriority(""), "");
  EXPECT_EQ(TaskDisplay::ShowPriority("D"), "");
}

TEST(TaskDisplayTest, StoredDateShowsAsDayMonthNameYear) {
  const TaskDisplay display{TFormatSettings()};
  EXPECT_EQ(display.ShowDate("20240305"), "05 Mar 2024");
  EXPECT_EQ(display.ShowDate("19991231"), "31 Dec 1999");
  EXPECT_EQ(display.ShowDate(""), "");
  EXPECT_EQ(display.ShowDate("        "), "");
  EXPECT_EQ(display.ShowDate("20240230"), "") << "no 30 February";
  EXPECT_EQ(display.ShowDate("2024ab05"), "");
  EXPECT_EQ(display.ShowDate("2024"), "");
}

TEST(TaskDisplayTest, StoredTimeShowsOnTheTwelveHourClockAfterABlank) {
  const TaskDisplay display{TFormatSettings()};
  EXPECT_EQ(display.ShowTime("13:05"), " 01:05pm");
  EXPECT_EQ(display.ShowTime("00:10"), " 12:10am");
  EXPECT_EQ(display.ShowTime("14:30"), " 02:30pm");
  EXPECT_EQ(display.ShowTime("12:00"), " 12:00pm");
  EXPECT_EQ(display.ShowTime("09:59").size(), 8);
  EXPECT_EQ(display.ShowTime(""), "");
  EXPECT_EQ(display.ShowTime("25:00"), "");
  EXPECT_EQ(display.ShowTime("ab:cd"), "");
}

TEST(TaskDisplayTest, DateColumnIgnoresTheUsersOwnDateFormat) {
  // Whatever the user's settings, stored dates are read month/day/year.
  TFormatSettings settings;
  settings.ShortDateFormat = "dd.mm.yyyy";
  settings.DateSeparator = '.';
  const TaskDisplay display{settings};
  EXPECT_EQ(display.ShowDate("20240305"), "05 Mar 2024");
}

TEST(TaskDisplayTest, ShowFillsTheFourColumns) {
  using Column = TaskDisplay::Calculated;
  const TaskDisplay display{TFormatSettings()};
  TaskRecord row;
  row.date = "20240305";
  row.time = "14:30";
  row.priority = "b";
  row.done = true;
  EXPECT_EQ(display.Show(row, Column::kShowDate), "05 Mar 2024");
  EXPECT_EQ(display.Show(row, Column::kShowTime), " 02:30pm");
  EXPECT_EQ(display.Show(row, Column::kShowPriority), "Medium");
  EXPECT_EQ(display.Show(row, Column::kIsDone), "Y");
  row.done = false;
  EXPECT_EQ(display.Show(row, Column::kIsDone), "N");
}

TEST(TaskDisplayTest, EmphasisOnlyForUndoneTasksAndExactHighPriority) {
  const QDate today(2024, 3, 5);
  TaskRecord row;
  row.priority = "A";
  row.date = "20240305";
  EXPECT_TRUE(TaskDisplay::PriorityBold(row));
  EXPECT_TRUE(TaskDisplay::DateBoldItalic(row, today));
  EXPECT_FALSE(TaskDisplay::DateBoldItalic(row, today.addDays(1)));
  row.priority = "a";
  EXPECT_FALSE(TaskDisplay::PriorityBold(row)) << "no case folding for the emphasis";
  row.priority = "A";
  row.done = true;
  EXPECT_FALSE(TaskDisplay::PriorityBold(row));
  EXPECT_FALSE(TaskDisplay::DateBoldItalic(row, today));
}

TEST(QuickDatesTest, SeventeenItemsCountedFromToday) {
  CaptureUserDateFormats(QLocale(QLocale::English, QLocale::UnitedStates));
  const auto items = QuickDates(QDate(2024, 3, 5));  // a Tuesday
  ASSERT_EQ(items.size(), 17u);
  const int tags[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 21, 30};
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].Tag, tags[i]) << i;
  EXPECT_EQ(items[0].Caption, "Today\t03/05/2024");
  EXPECT_EQ(items[1].Caption, "Tomorrow\t03/06/2024");
  EXPECT_EQ(items[2].Caption, "Thursday\t03/07/2024");
  EXPECT_EQ(items[2].Name, "TodayPlus2");
  EXPECT_EQ(items[7].Caption, "A Week From Today\t03/12/2024");
  EXPECT_EQ(items[8].Caption, "A Week From Tomorrow\t03/13/2024");
  EXPECT_EQ(items[8].Name, "WeekFromTommorrow");
  EXPECT_EQ(items[9].Caption, "A Week from Thursday\t03/14/2024");
  EXPECT_EQ(items[9].Name, "Week2");
  EXPECT_EQ(items[13].Name, "Week6");
  EXPECT_EQ(items[16].Caption, "30 Days From Today\t04/04/2024");
}

}  // namespace
