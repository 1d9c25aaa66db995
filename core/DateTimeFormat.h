// Date and time formatting and parsing with the program's own format letters.
//
// Format letters (case-insensitive unless noted; a run of one letter counts):
//   d dd        day of the month without / with a leading zero
//   ddd dddd    short / long day name
//   ddddd       the short date format      dddddd  the long date format
//   m mm        month number; right after an h or hh (letters between may be
//               non-letters only, e.g. "hh:mm") m and mm mean minutes
//   mmm mmmm    short / long month name
//   yy yyyy     two-digit / four-digit year (y counts as yy, yyy as yyyy)
//   h hh        hour; on the 12-hour clock when am/pm, a/p or ampm follows
//   n nn        minutes            s ss   seconds          z zzz  milliseconds
//   t tt        the short / long time format
//   c           short date, then a blank and the long time format unless midnight
//   am/pm a/p   the letters as written ("am"/"pm", "AM"/"PM", "a"/"p" ...)
//   ampm        the AM or PM designator of the settings
//   /  :        the date separator / time separator of the settings
//   "..." '...' literal text; any other character is copied as it is
//
// Parsing follows the matching classic rules: the order of day, month and
// year is taken from the short date format (the first of d, m, y in it), a
// missing year is the current year, a year of one or two digits falls in the
// century window, times take an optional minute, second and millisecond part
// and an AM/PM designator (the settings' own or "AM"/"PM", any case) before
// or after the digits. Blanks between the parts are skipped; the whole text
// must be used.
#pragma once

#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

#include <array>

// One set of conversion settings. Day-name arrays are indexed 0 = Sunday ... 6 = Saturday.
struct TFormatSettings {
  QString ShortDateFormat = QStringLiteral("mm/dd/yyyy");
  QString LongDateFormat = QStringLiteral("dddd, mmmm d, yyyy");
  QChar DateSeparator = QLatin1Char('/');
  QChar TimeSeparator = QLatin1Char(':');
  QChar DecimalSeparator = QLatin1Char('.');
  QString ShortTimeFormat = QStringLiteral("h:mm AMPM");
  QString LongTimeFormat = QStringLiteral("h:mm:ss AMPM");
  QString TimeAMString = QStringLiteral("AM");
  QString TimePMString = QStringLiteral("PM");
  std::array<QString, 12> ShortMonthNames;
  std::array<QString, 12> LongMonthNames;
  std::array<QString, 7> ShortDayNames;
  std::array<QString, 7> LongDayNames;
  // Two-digit years land in the hundred years starting this many years before now.
  int TwoDigitYearCenturyWindow = 50;

  // English names and the values above.
  TFormatSettings();
  // Everything taken from the locale: formats turned into our letters (not widened),
  // separators, designators, month and day names.
  static TFormatSettings FromLocale(const QLocale& locale);
};

// The five values that UseWorkingDateFormats / RestoreUserDateFormats swap.
struct TDateFormatSet {
  QString ShortDateFormat;
  QChar DateSeparator;
  QChar TimeSeparator;
  QString TimeAMString;
  QString TimePMString;
};

// The settings every conversion uses unless it is given others. Process-wide, one
// thread. On first use it holds the system locale's settings with the working
// date formats in force.
TFormatSettings& FormatSettings();

// "mm/dd/yyyy", '/', ':', "AM", "PM".
TDateFormatSet WorkingDateFormats();

// The user's own set, captured once from the system locale (on first use or by
// CaptureUserDateFormats) with the short date format widened to a four-digit year.
// Writable: the task editor narrows the short date format while it is open.
TDateFormatSet& UserDateFormats();

// Puts the locale's names, long formats and time formats into FormatSettings(),
// captures the user's set from it (widened) and puts the working formats in force.
// Called once at start-up; tests call it with a chosen locale.
void CaptureUserDateFormats(const QLocale& locale = QLocale::system());

// Puts a set in force in FormatSettings().
void ApplyDateFormatSet(const TDateFormatSet& set);
// The set currently in force.
TDateFormatSet CurrentDateFormatSet();

// A Qt date/time pattern ("dd.MM.yy", "h:mm AP") turned into our format letters.
// Quoted Qt text stays literal; time-zone letters are dropped.
QString QtPatternToFormat(const QString& qtPattern);

// Widens a short date format to a four-digit year: kept when it contains "yyyy"
// (any case); else one y is put before a "yyy" run, "yy" before a "yy" run, "yyy"
// before a single y, or the date separator and "yyyy" are appended; a widened
// format is lower-cased. "dd.MM.yy" -> "dd.mm.yyyy", "dd/MM" -> "dd/mm/yyyy".
QString WidenShortDateFormat(const QString& format, QChar dateSeparator);

// The task editor's form of a short date format: only the first two d and the
// first two m letters (any case) are kept, everything else copied, so no day or
// month names appear. "d-mmm-yyyy" -> "d-mm-yyyy".
QString ReduceShortDateFormat(const QString& format);

// Formats a date and time (the date part of a time-only value is 1899-12-30).
// An empty format means "c".
QString FormatDateTime(const QString& format, const QDate& date, const QTime& time,
                       const TFormatSettings& settings = FormatSettings());
QString FormatDateTime(const QString& format, const QDateTime& value,
                       const TFormatSettings& settings = FormatSettings());
QString FormatDateTime(const QString& format, const QDate& date,
                       const TFormatSettings& settings = FormatSettings());
QString FormatDateTime(const QString& format, const QTime& time,
                       const TFormatSettings& settings = FormatSettings());

// Today's date; SetTodayForTests fixes it (an invalid date goes back to the clock).
// Parsing uses it for a missing year and for the two-digit-year window.
QDate Today();
void SetTodayForTests(const QDate& date);

// True and the value when the whole text is a date (time, date and optional time).
bool TryStrToDate(const QString& text, QDate& date, const TFormatSettings& settings = FormatSettings());
bool TryStrToTime(const QString& text, QTime& time, const TFormatSettings& settings = FormatSettings());
bool TryStrToDateTime(const QString& text, QDateTime& value,
                      const TFormatSettings& settings = FormatSettings());

// The value, or an invalid QDate / QTime / QDateTime when the text does not convert.
QDate StrToDate(const QString& text, const TFormatSettings& settings = FormatSettings());
QTime StrToTime(const QString& text, const TFormatSettings& settings = FormatSettings());
QDateTime StrToDateTime(const QString& text, const TFormatSettings& settings = FormatSettings());
