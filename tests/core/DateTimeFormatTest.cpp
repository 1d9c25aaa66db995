#include "core/DateTimeFormat.h"

#include <gtest/gtest.h>

namespace {

// English names with the working formats, as the program runs most of the time.
TFormatSettings Working() { return TFormatSettings(); }

struct TFormatCase {
  const char* format;
  QDate date;
  QTime time;
  const char* expected;
};

TEST(DateTimeFormatTest, FormatLetters) {
  const QDate d(2024, 3, 5);  // a Tuesday
  const TFormatCase cases[] = {
      {"dd mmm yyyy", d, QTime(0, 0), "05 Mar 2024"},
      {"d/m/yy", d, QTime(0, 0), "5/3/24"},
      {"yyyymmdd", d, QTime(0, 0), "20240305"},
      {"y yyy", d, QTime(0, 0), "24 2024"},
      {"ddd dddd mmm mmmm", d, QTime(0, 0), "Tue Tuesday Mar March"},
      {"ddddd", d, QTime(0, 0), "03/05/2024"},
      {"dddddd", d, QTime(0, 0), "Tuesday, March 5, 2024"},
      {"hh:nn", d, QTime(14, 5), "14:05"},
      {"h:n:s", d, QTime(9, 5, 7), "9:5:7"},
      {"hh:nn:ss.zzz z", d, QTime(9, 5, 7, 42), "09:05:07.042 42"},
      // m right after h is minutes; elsewhere it is the month.
      {"hh:mm", d, QTime(14, 30), "14:30"},
      {"mm/dd hh:mm", d, QTime(14, 30), "03/05 14:30"},
      {"h m", d, QTime(14, 30), "14 30"},
      // 12-hour clock with the marker as written.
      {" hh:mmam/pm", d, QTime(14, 30), " 02:30pm"},
      {" hh:mmam/pm", d, QTime(0, 5), " 12:05am"},
      {"hh:mm am/pm", d, QTime(12, 0), "12:00 pm"},
      {"h:nn AM/PM", d, QTime(11, 59), "11:59 AM"},
      {"h a/p", d, QTime(23, 0), "11 p"},
      {"h A/P", d, QTime(1, 0), "1 A"},
      {"hh:nn ampm", d, QTime(13, 0), "01:00 PM"},
      {"hh 'at' nn", d, QTime(13, 0), "13 at 00"},  // a quoted a is no marker
      {"t", d, QTime(14, 30), "2:30 PM"},
      {"tt", d, QTime(14, 30, 9), "2:30:09 PM"},
      {"c", d, QTime(0, 0), "03/05/2024"},
      {"c", d, QTime(14, 30), "03/05/2024 2:30:00 PM"},
      {"", d, QTime(14, 30), "03/05/2024 2:30:00 PM"},
      // Literals, quoted or not.
      {"\"day\" d 'of' mmmm", d, QTime(0, 0), "day 5 of March"},
      {"'unterminated", d, QTime(0, 0), "unterminated"},
      {"[d]-#", d, QTime(0, 0), "[5]-#"},
      {"yyyy", QDate(987, 1, 1), QTime(0, 0), "0987"},
      {"yy", QDate(2005, 1, 1), QTime(0, 0), "05"},
  };
  for (const TFormatCase& c : cases)
    EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.format), c.date, c.time, Working()), QString::fromUtf8(c.expected))
        << "format " << c.format;
}

TEST(DateTimeFormatTest, SeparatorsAndNamesComeFromTheSettings) {
  TFormatSettings s = Working();
  s.DateSeparator = QLatin1Char('.');
  s.TimeSeparator = QLatin1Char('h');
  s.TimePMString = QStringLiteral("p.m.");
  s.ShortMonthNames[2] = QStringLiteral("mrt");
  s.LongDayNames[2] = QStringLiteral("dinsdag");
  const QDate d(2024, 3, 5);
  EXPECT_EQ(FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn ampm"), d, QTime(15, 4), s), "05.03.2024 03h04 p.m.");
  EXPECT_EQ(FormatDateTime(QStringLiteral("dddd d mmm"), d, s), "dinsdag 5 mrt");
  // A separator written literally is not replaced.
  EXPECT_EQ(FormatDateTime(QStringLiteral("dd-mm"), d, s), "05-03");
}

TEST(DateTimeFormatTest, BadValuesAndSelfNamingFormatsEnd) {
  TFormatSettings s = Working();
  s.ShortDateFormat = QStringLiteral("ddddd");  // names itself
  s.LongDateFormat = QStringLiteral("<dddddd>");
  EXPECT_EQ(FormatDateTime(QStringLiteral("[ddddd]"), QDate(2024, 1, 2), s), "[]");
  EXPECT_EQ(FormatDateTime(QStringLiteral("dddddd"), QDate(2024, 1, 2), s), "<>");
  // Invalid values format as the zero date and midnight instead of failing.
  EXPECT_EQ(FormatDateTime(QStringLiteral("yyyymmdd hh:nn"), QDate(), QTime(), Working()), "18991230 00:00");
  EXPECT_EQ(FormatDateTime(QStringLiteral("dd mmm"), QTime(10, 0), Working()), "30 Dec");
}

class DateParseTest : public ::testing::Test {
 protected:
  void SetUp() override { SetTodayForTests(QDate(2030, 6, 15)); }
  void TearDown() override { SetTodayForTests(QDate()); }
  static QDate Parse(const char* text, const TFormatSettings& s = Working()) {
    return StrToDate(QString::fromUtf8(text), s);
  }
};

TEST_F(DateParseTest, MonthDayYearUnderTheWorkingFormats) {
  EXPECT_EQ(Parse("03/05/2024"), QDate(2024, 3, 5));
  EXPECT_EQ(Parse("3/5/2024"), QDate(2024, 3, 5));
  EXPECT_EQ(Parse(" 3 / 5 / 2024 "), QDate(2024, 3, 5));
  EXPECT_EQ(Parse("3/5/2024/"), QDate(2024, 3, 5));  // trailing separator
  EXPECT_EQ(Parse("3/5"), QDate(2030, 3, 5));        // current year
  EXPECT_EQ(Parse("2/29/2024"), QDate(2024, 2, 29));
  EXPECT_EQ(Parse("12/31/9999"), QDate(9999, 12, 31));
  for (const char* bad : {"", "   ", "abc", "2/30/2024", "2/29/2023", "13/1/2024", "0/1/2024", "1/0/2024",
                          "3-5-2024", "3/5/2024x", "3/5/2024 10", "12345/1/1", "1/1/0000", "/5/2024", "3/",
                          "  /  /    ", "3//2024"})
    EXPECT_FALSE(Parse(bad).isValid()) << "'" << bad << "'";
  QDate kept(2000, 1, 1);
  EXPECT_FALSE(TryStrToDate(QStringLiteral("31/31/31"), kept, Working()));
  EXPECT_EQ(kept, QDate(2000, 1, 1)) << "a failed parse leaves the value alone";
}

TEST_F(DateParseTest, TwoDigitYearsFallInTheCenturyWindow) {
  // Today is 2030: two-digit years run from 1980 to 2079.
  EXPECT_EQ(Parse("3/5/80"), QDate(1980, 3, 5));
  EXPECT_EQ(Parse("3/5/99"), QDate(1999, 3, 5));
  EXPECT_EQ(Parse("3/5/00"), QDate(2000, 3, 5));
  EXPECT_EQ(Parse("3/5/79"), QDate(2079, 3, 5));
  EXPECT_EQ(Parse("3/5/7"), QDate(2007, 3, 5));
  EXPECT_EQ(Parse("3/5/079"), QDate(79, 3, 5)) << "three digits are taken as written";
  TFormatSettings noWindow = Working();
  noWindow.TwoDigitYearCenturyWindow = 0;
  EXPECT_EQ(Parse("3/5/99", noWindow), QDate(2099, 3, 5));
}

TEST_F(DateParseTest, OrderFollowsTheShortDateFormat) {
  TFormatSettings dmy = Working();
  dmy.ShortDateFormat = QStringLiteral("dd.mm.yyyy");
  dmy.DateSeparator = QLatin1Char('.');
  EXPECT_EQ(Parse("5.3.2024", dmy), QDate(2024, 3, 5));
  EXPECT_EQ(Parse("5.3", dmy), QDate(2030, 3, 5));
  EXPECT_FALSE(Parse("3/5/2024", dmy).isValid());

  TFormatSettings ymd = Working();
  ymd.ShortDateFormat = QStringLiteral("yyyy-MM-dd");
  ymd.DateSeparator = QLatin1Char('-');
  EXPECT_EQ(Parse("2024-03-05", ymd), QDate(2024, 3, 5));
  EXPECT_EQ(Parse("24-3-5", ymd), QDate(2024, 3, 5));
  EXPECT_EQ(Parse("3-5", ymd), QDate(2030, 3, 5)) << "without a year: month then day";

  TFormatSettings blank = Working();
  blank.ShortDateFormat = QStringLiteral("d MM yyyy");
  blank.DateSeparator = QLatin1Char(' ');
  EXPECT_EQ(Parse("5 03 2024", blank), QDate(2024, 3, 5));
  EXPECT_FALSE(Parse("5032024", blank).isValid());
}

TEST(TimeParseTest, ClockFormsAndDesignators) {
  const TFormatSettings s = Working();
  struct {
    const char* text;
    QTime expected;
  } cases[] = {
      {"14:30", QTime(14, 30)},       {"2:30 PM", QTime(14, 30)},          {"2:30 pm", QTime(14, 30)},
      {"2:30PM", QTime(14, 30)},      {"PM 2:30", QTime(14, 30)},          {"12:00 AM", QTime(0, 0)},
      {"12:15 PM", QTime(12, 15)},    {"11:59 am", QTime(11, 59)},         {"14", QTime(14, 0)},
      {"14:30:15", QTime(14, 30, 15)}, {"14:30:15.25", QTime(14, 30, 15, 25)}, {" 9 : 05 ", QTime(9, 5)},
      {"0:00", QTime(0, 0)},          {"23:59:59", QTime(23, 59, 59)},
  };
  for (const auto& c : cases) EXPECT_EQ(StrToTime(QString::fromUtf8(c.text), s), c.expected) << c.text;
  for (const char* bad : {"", "pm", "24:00", "14:60", "14:30:60", "0:30 PM", "13:00 PM", "2:30 XM", "14:",
                          "14:30:", "14.30", "1430x", "2:30 PM PM"})
    EXPECT_FALSE(StrToTime(QString::fromUtf8(bad), s).isValid()) << "'" << bad << "'";
}

TEST(TimeParseTest, TheSettingsOwnDesignatorsAndSeparator) {
  TFormatSettings s = Working();
  s.TimeAMString = QStringLiteral("a.m.");
  s.TimePMString = QStringLiteral("p.m.");
  s.TimeSeparator = QLatin1Char('.');
  EXPECT_EQ(StrToTime(QStringLiteral("2.30 P.M."), s), QTime(14, 30));
  EXPECT_EQ(StrToTime(QStringLiteral("2.30 pm"), s), QTime(14, 30)) << "AM/PM stay understood";
  EXPECT_FALSE(StrToTime(QStringLiteral("2:30"), s).isValid());
}

TEST(TimeParseTest, DateAndTimeTogether) {
  const TFormatSettings s = Working();
  EXPECT_EQ(StrToDateTime(QStringLiteral("3/5/2024 2:30 PM"), s), QDateTime(QDate(2024, 3, 5), QTime(14, 30)));
  EXPECT_EQ(StrToDateTime(QStringLiteral("3/5/2024"), s), QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
  EXPECT_EQ(StrToDateTime(QStringLiteral("14:30"), s), QDateTime(QDate(1899, 12, 30), QTime(14, 30)));
  EXPECT_FALSE(StrToDateTime(QStringLiteral("3/5/2024 2:30 PM junk"), s).isValid());
}

TEST(DateFormatWideningTest, FourDigitYears) {
  const QChar slash = QLatin1Char('/');
  EXPECT_EQ(WidenShortDateFormat(QStringLiteral("dd.MM.yy"), QLatin1Char('.')), "dd.mm.yyyy");
  EXPECT_EQ(WidenShortDateFormat(QStringLiteral("dd/MM"), slash), "dd/mm/yyyy");
  EXPECT_EQ(WidenShortDateFormat(QStringLiteral("yyyy-MM-dd"), QLatin1Char('-')), "yyyy-MM-dd");
  EXPECT_EQ(WidenShortDateFormat(QStringLiteral("M/d/YYYY"), slash), "M/d/YYYY");
  EXPECT_EQ(WidenShortDateFormat(QStringLiteral("d-MMM-yy"), QLatin1Char('-')), "d-mmm-yyyy");
  EXPECT_EQ(WidenShortDateFormat(QStringLiteral("M/d/yyy"), slash), "m/d/yyyy");
  EXPECT_EQ(WidenShortDateFormat(QStringLiteral("M/d/y"), slash), "m/d/yyyy");
  EXPECT_EQ(WidenShortDateFormat(QStringLiteral("YY.MM.DD"), QLatin1Char('.')), "yyyy.mm.dd");
  EXPECT_EQ(WidenShortDateFormat(QStringLiteral("yy. M. d."), QLatin1Char('.')), "yyyy. m. d.");
  // Only A-Z change case: literal text in other scripts stays as it is.
  EXPECT_EQ(WidenShortDateFormat(QString::fromUtf8("d.MM.yy 'Г'."), QLatin1Char('.')),
            QString::fromUtf8("d.mm.yyyy 'Г'."));
}

TEST(DateFormatWideningTest, EditorFormShowsNoNames) {
  EXPECT_EQ(ReduceShortDateFormat(QStringLiteral("d-mmm-yyyy")), "d-mm-yyyy");
  EXPECT_EQ(ReduceShortDateFormat(QStringLiteral("dddd, MMMM dd")), "dd, MM ");
  EXPECT_EQ(ReduceShortDateFormat(QStringLiteral("mm/dd/yyyy")), "mm/dd/yyyy");
  // The widened and reduced form of d-MMM-yy reads back what it shows.
  TFormatSettings s = Working();
  s.ShortDateFormat = ReduceShortDateFormat(WidenShortDateFormat(QStringLiteral("d-MMM-yy"), QLatin1Char('-')));
  s.DateSeparator = QLatin1Char('-');
  EXPECT_EQ(s.ShortDateFormat, "d-mm-yyyy");
  const QString shown = FormatDateTime(QStringLiteral("ddddd"), QDate(2024, 11, 7), s);
  EXPECT_EQ(shown, "7-11-2024");
  EXPECT_EQ(StrToDate(shown, s), QDate(2024, 11, 7));
}

TEST(LocalePatternTest, QtPatternsBecomeOurLetters) {
  EXPECT_EQ(QtPatternToFormat(QStringLiteral("dd.MM.yy")), "dd.MM.yy");
  EXPECT_EQ(QtPatternToFormat(QStringLiteral("h:mm:ss AP t")), "h:nn:ss ampm");
  EXPECT_EQ(QtPatternToFormat(QStringLiteral("HH'h'mm")), "hh\"h\"nn");
  EXPECT_EQ(QtPatternToFormat(QStringLiteral("d 'de' MMMM 'de' yyyy")), "d\" de \"MMMM\" de \"yyyy");
  EXPECT_EQ(QtPatternToFormat(QStringLiteral("'It''s' d")), "\"It's \"d");
  EXPECT_EQ(QtPatternToFormat(QStringLiteral("dddddd X")), "dddd\" X\"");
}

// What the task editor relies on: under each locale's own formats, a date shown in
// the reduced short date format and a time shown with "t" read back unchanged.
TEST(LocalePatternTest, UserFormatsReadBackWhatTheyShow) {
  SetTodayForTests(QDate(2030, 6, 15));
  for (const char* name : {"C", "en_US", "en_GB", "de_DE", "sv_SE", "fr_FR", "ja_JP", "fi_FI", "ko_KR", "hu_HU",
                           "nl_NL", "bg_BG", "cs_CZ"}) {
    TFormatSettings s = TFormatSettings::FromLocale(QLocale(QString::fromLatin1(name)));
    s.ShortDateFormat = ReduceShortDateFormat(WidenShortDateFormat(s.ShortDateFormat, s.DateSeparator));
    for (const QDate date : {QDate(2024, 1, 9), QDate(1999, 12, 31), QDate(2031, 7, 4)}) {
      const QString shown = FormatDateTime(QStringLiteral("ddddd"), date, s);
      EXPECT_EQ(StrToDate(shown.toUpper(), s), date) << name << " shows " << shown.toStdString();
    }
    for (const QTime time : {QTime(0, 5), QTime(12, 0), QTime(23, 59)}) {
      const QString shown = FormatDateTime(QStringLiteral("t"), time, s);
      EXPECT_EQ(StrToTime(shown.toUpper(), s), time) << name << " shows " << shown.toStdString();
    }
  }
  SetTodayForTests(QDate());
}

}  // namespace
