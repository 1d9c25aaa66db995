#include "core/AppHelpers.h"

#include <QCoreApplication>
#include <QLocale>

#include "core/DateTimeFormat.h"

#include <gtest/gtest.h>

namespace {

TEST(AppHelpersTest, TrimOnlyBlanks) {
  EXPECT_EQ(TrimLeadingBlanks(QStringLiteral("  a b  ")), "a b  ");
  EXPECT_EQ(TrimTrailingBlanks(QStringLiteral("  a b  ")), "  a b");
  EXPECT_EQ(TrimBlanks(QStringLiteral("  a b  ")), "a b");
  EXPECT_EQ(TrimBlanks(QStringLiteral("\t a \n")), "\t a \n") << "tabs and line breaks are not blanks";
  EXPECT_EQ(TrimBlanks(QStringLiteral("    ")), "");
  EXPECT_EQ(TrimLeadingBlanks(QString()), "");
}

TEST(AppHelpersTest, SplitTextKeepsEveryPiece) {
  QStringList list{QStringLiteral("kept")};
  SplitText(QStringLiteral("a,,b,"), QStringLiteral(","), list);
  EXPECT_EQ(list, QStringList({"kept", "a", "", "b", ""}));
  list.clear();
  SplitText(QStringLiteral("one<>two<>three"), QStringLiteral("<>"), list);
  EXPECT_EQ(list, QStringList({"one", "two", "three"}));
  list.clear();
  SplitText(QString(), QStringLiteral(","), list);
  EXPECT_EQ(list, QStringList({""}));
  list.clear();
  SplitText(QStringLiteral("a,b"), QString(), list);
  EXPECT_EQ(list, QStringList({"a,b"}));
}

TEST(AppHelpersTest, ProgramDirectoryEndsInASlash) {
  SetProgramDirectoryForTests(QStringLiteral("/tmp/somewhere"));
  EXPECT_EQ(ProgramDirectory(), "/tmp/somewhere/");
  SetProgramDirectoryForTests(QString());
  EXPECT_TRUE(ProgramDirectory().endsWith(QLatin1Char('/')));
  EXPECT_EQ(ProgramDirectory(), QCoreApplication::applicationDirPath() + "/");
}

// Keeps the process-wide date settings as they were before each test.
class DateSwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedSettings_ = FormatSettings();
    savedUser_ = UserDateFormats();
  }
  void TearDown() override {
    FormatSettings() = savedSettings_;
    UserDateFormats() = savedUser_;
  }

 private:
  TFormatSettings savedSettings_;
  TDateFormatSet savedUser_;
};

TEST_F(DateSwitchTest, WorkingAndUserFormatsTakeTurns) {
  CaptureUserDateFormats(QLocale(QStringLiteral("de_DE")));
  // Capturing leaves the working formats in force, with the locale's names.
  EXPECT_EQ(FormatSettings().ShortDateFormat, "mm/dd/yyyy");
  EXPECT_EQ(FormatSettings().LongMonthNames[2], QString::fromUtf8("März"));
  EXPECT_TRUE(IsValidDate(QStringLiteral("12/31/2024")));
  EXPECT_FALSE(IsValidDate(QStringLiteral("31.12.2024")));
  EXPECT_TRUE(IsValidTime(QStringLiteral("2:30 pm")));

  RestoreUserDateFormats();
  EXPECT_EQ(FormatSettings().ShortDateFormat, "dd.mm.yyyy");
  EXPECT_EQ(FormatSettings().DateSeparator, QLatin1Char('.'));
  EXPECT_TRUE(IsValidDate(QStringLiteral("31.12.2024")));
  EXPECT_FALSE(IsValidDate(QStringLiteral("12/31/2024")));
  EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd"), QDate(2024, 3, 5)), "05.03.2024");

  UseWorkingDateFormats();
  EXPECT_EQ(FormatDateTime(QStringLiteral("ddddd"), QDate(2024, 3, 5)), "03/05/2024");
  EXPECT_EQ(FormatDateTime(QStringLiteral("dd mmmm yyyy"), QDate(2024, 3, 5)), QString::fromUtf8("05 März 2024"))
      << "month names stay the locale's";
  EXPECT_FALSE(IsValidDate(QString()));
  EXPECT_FALSE(IsValidTime(QString()));
}

TEST_F(DateSwitchTest, TheEditorsNarrowedUserFormatIsWhatRestoreBrings) {
  CaptureUserDateFormats(QLocale(QStringLiteral("en_US")));
  EXPECT_EQ(UserDateFormats().ShortDateFormat, "m/d/yyyy");
  UserDateFormats().ShortDateFormat = ReduceShortDateFormat(UserDateFormats().ShortDateFormat);
  RestoreUserDateFormats();
  EXPECT_EQ(CurrentDateFormatSet().ShortDateFormat, "m/d/yyyy");
  EXPECT_EQ(FormatDateTime(QStringLiteral("t"), QTime(14, 30)), "2:30 PM");
  UseWorkingDateFormats();
  EXPECT_EQ(CurrentDateFormatSet().ShortDateFormat, WorkingDateFormats().ShortDateFormat);
}

}  // namespace
