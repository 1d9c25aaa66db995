// Import files written by hand: RFC 5545's to-do examples and the shapes calendar programs
// write (folded lines, TZID with VTIMEZONE, UTC, DATE values, CATEGORIES lists, escaped
// commas and semicolons, CR LF or LF), CSV in our columns and in another order, files
// refused with their line and reason, and the tasks stored into a table.
#include "core/TaskExchangeImport.h"
#include "core/TaskExchangeReader.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include "store/TodoTable.h"

namespace {

// Local date and time (yyyymmdd, hh:mm) of a moment given in UTC.
std::pair<QString, QString> LocalOf(int y, int m, int d, int h, int min) {
  const QDateTime local = QDateTime(QDate(y, m, d), QTime(h, min), QTimeZone::utc()).toLocalTime();
  return {local.date().toString(QStringLiteral("yyyyMMdd")), local.time().toString(QStringLiteral("hh:mm"))};
}

QByteArray CrLf(QByteArray text) { return text.replace("\n", "\r\n"); }

// RFC 5545's to-dos (3.6.2 and the COMPLETED one), with what calendar programs add: a
// time zone defined in the file, a folded summary and note with an escaped comma and
// semicolon, a list of categories, a recurrence rule, an alarm, an event and a journal.
constexpr char kCalendar[] =
    "BEGIN:VCALENDAR\n"
    "VERSION:2.0\n"
    "PRODID:-//ABC Corporation//NONSGML My Product//EN\n"
    "BEGIN:VTIMEZONE\n"
    "TZID:Eastern Standard Time\n"
    "BEGIN:STANDARD\n"
    "DTSTART:19671029T020000\n"
    "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\n"
    "TZOFFSETFROM:-0400\n"
    "TZOFFSETTO:-0500\n"
    "TZNAME:EST\n"
    "END:STANDARD\n"
    "BEGIN:DAYLIGHT\n"
    "DTSTART:19870405T020000\n"
    "RRULE:FREQ=YEARLY;BYDAY=1SU;BYMONTH=4\n"
    "TZOFFSETFROM:-0500\n"
    "TZOFFSETTO:-0400\n"
    "TZNAME:EDT\n"
    "END:DAYLIGHT\n"
    "END:VTIMEZONE\n"
    "BEGIN:VTODO\n"
    "UID:20070313T123432Z-456553@example.com\n"
    "DTSTAMP:20070313T123432Z\n"
    "DUE;VALUE=DATE:20070501\n"
    "SUMMARY:Submit Quebec Income Tax Return for 2006\n"
    "CLASS:CONFIDENTIAL\n"
    "CATEGORIES:FAMILY,FINANCE\n"
    "STATUS:NEEDS-ACTION\n"
    "END:VTODO\n"
    "BEGIN:VTODO\n"
    "UID:20070514T103211Z-123404@example.com\n"
    "DTSTAMP:20070514T103211Z\n"
    "DTSTART:20070514T110000Z\n"
    "DUE:20070709T130000Z\n"
    "COMPLETED:20070707T100000Z\n"
    "SUMMARY:Submit Revised Internet-Draft\n"
    "PRIORITY:1\n"
    "STATUS:NEEDS-ACTION\n"
    "END:VTODO\n"
    "BEGIN:VTODO\n"
    "UID:tz-1@example.com\n"
    "DTSTAMP:19980309T231000Z\n"
    "DTSTART;TZID=Eastern Standard Time:19980312T083000\n"
    "SUMMARY:Pay the rent\\, the gas\\; and the \n"
    " water\n"
    "DESCRIPTION:First line\\nsecond line with \xC3\xA4\n"
    "  and more\n"
    "PRIORITY:7\n"
    "CATEGORIES:home\n"
    "CATEGORIES:bills\n"
    "RRULE:FREQ=MONTHLY;BYMONTHDAY=12\n"
    "BEGIN:VALARM\n"
    "ACTION:DISPLAY\n"
    "DESCRIPTION:Rent\n"
    "TRIGGER:-PT15M\n"
    "END:VALARM\n"
    "END:VTODO\n"
    "BEGIN:VEVENT\n"
    "UID:ev-1@example.com\n"
    "DTSTAMP:19980309T231000Z\n"
    "DTSTART:19980312T083000Z\n"
    "SUMMARY:A meeting\n"
    "END:VEVENT\n"
    "BEGIN:VJOURNAL\n"
    "UID:jr-1@example.com\n"
    "DTSTAMP:19980309T231000Z\n"
    "SUMMARY:Notes\n"
    "END:VJOURNAL\n"
    "END:VCALENDAR\n";

TEST(TaskExchangeReaderTest, ICalendarToDosInTheShapesProgramsWrite) {
  const TImportFile lf = TTaskExchangeReader::ReadICalendar(kCalendar);
  ASSERT_TRUE(lf.ok()) << lf.Error.toStdString();
  ASSERT_EQ(lf.Tasks.size(), 3u);

  const TImportedTask& tax = lf.Tasks[0];
  EXPECT_EQ(tax.Summary, "Submit Quebec Income Tax Return for 2006");
  EXPECT_EQ(tax.Date, "20070501");
  EXPECT_EQ(tax.Time, "") << "a DATE value has no time";
  EXPECT_EQ(tax.Priority, "B") << "no PRIORITY";
  EXPECT_FALSE(tax.Done);
  EXPECT_EQ(tax.Keys, "FAMILY FINANCE");
  EXPECT_EQ(tax.Note, "");

  const TImportedTask& draft = lf.Tasks[1];
  const auto [draftDate, draftTime] = LocalOf(2007, 7, 9, 13, 0);
  EXPECT_EQ(draft.Date, draftDate) << "DUE in UTC, not DTSTART";
  EXPECT_EQ(draft.Time, draftTime);
  EXPECT_EQ(draft.Priority, "A");
  EXPECT_TRUE(draft.Done) << "a COMPLETED date";

  const TImportedTask& rent = lf.Tasks[2];
  EXPECT_EQ(rent.Summary, "Pay the rent, the gas; and the water");
  // 08:30 EST is 13:30 UTC.
  const auto [rentDate, rentTime] = LocalOf(1998, 3, 12, 13, 30);
  EXPECT_EQ(rent.Date, rentDate) << "DTSTART in the file's own time zone, without a DUE";
  EXPECT_EQ(rent.Time, rentTime);
  EXPECT_EQ(rent.Priority, "C");
  EXPECT_EQ(rent.Keys, "home bills");
  EXPECT_EQ(rent.Note, QStringLiteral("First line\r\nsecond line with \u00E4 and more\r\n"
                                      "Repeats: FREQ=MONTHLY;BYMONTHDAY=12\r\nAlarm: -PT15M"));
  EXPECT_EQ(lf.Events, 1);
  EXPECT_EQ(lf.Journals, 1);
  EXPECT_EQ(lf.Recurrences, 1);
  EXPECT_EQ(lf.Alarms, 1);

  // The same file with CR LF line ends, its time zone defined after the to-dos, reads the
  // same.
  QByteArray zoneLast = kCalendar;
  const qsizetype zoneStart = zoneLast.indexOf("BEGIN:VTIMEZONE");
  const qsizetype zoneEnd = zoneLast.indexOf("END:VTIMEZONE\n") + 14;
  const QByteArray zone = zoneLast.mid(zoneStart, zoneEnd - zoneStart);
  zoneLast.remove(zoneStart, zone.size());
  zoneLast.insert(zoneLast.indexOf("END:VCALENDAR"), zone);
  const TImportFile crlf = TTaskExchangeReader::ReadICalendar(CrLf(zoneLast));
  ASSERT_TRUE(crlf.ok()) << crlf.Error.toStdString();
  ASSERT_EQ(crlf.Tasks.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(crlf.Tasks[i].Summary, lf.Tasks[i].Summary);
    EXPECT_EQ(crlf.Tasks[i].Date + crlf.Tasks[i].Time, lf.Tasks[i].Date + lf.Tasks[i].Time);
    EXPECT_EQ(crlf.Tasks[i].Note, lf.Tasks[i].Note);
  }
}

TEST(TaskExchangeReaderTest, MalformedFilesAreRefusedWithTheirLineAndReason) {
  struct Case {
    QByteArray bytes;
    const char* expected;  // what the error must hold
  };
  const QByteArray head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nSUMMARY:a\r\n";
  const std::vector<Case> cases = {
      {head + "DUE:tomorrow\r\nEND:VTODO\r\nEND:VCALENDAR\r\n", "line 5:"},
      {head + "SUMMARY:b\r\nthis line has no name\r\nEND:VTODO\r\nEND:VCALENDAR\r\n", "line 6:"},
      {head + "END:VTODO\r\nBEGIN:VTODO\r\nDESCRIPTION:\xFF\xFE\r\nEND:VTODO\r\nEND:VCALENDAR\r\n",
       "line 7: the text is not UTF-8"},
      {head + "END:VTODO\r\n", "ends before END:"},
      {"just some text\nand more\n", "line 1"},
      {"", "no iCalendar data"},
  };
  for (const Case& c : cases) {
    const TImportFile file = TTaskExchangeReader::ReadICalendar(c.bytes);
    EXPECT_FALSE(file.ok()) << c.bytes.toStdString();
    EXPECT_TRUE(file.Error.contains(QLatin1String(c.expected))) << file.Error.toStdString() << " / " << c.expected;
    EXPECT_TRUE(file.Tasks.empty());
  }

  const std::vector<Case> csv = {
      {"Date,Time,Task,Priority,Done,Key words,Note\r\n2024-01-01,,a,A,No,,\"open\r\n",
       "line 2: a quoted field is not closed"},
      {"Date,Time,Task,Priority,Done,Key words,Note\r\n,,a,A,No,,\r\n,,b,A,No\r\n",
       "line 3: 5 fields where the header row has 7"},
      {"Task,Date\n\"ok\",2024-13-01\n", "line 2: the date \"2024-13-01\""},
      {"Task,Priority\nx,Q\n", "line 2: the priority \"Q\""},
      {"Task,Done\nx,maybe\n", "line 2: Done \"maybe\""},
      {"Task\nsay \"hi\"\n", "line 2: a quote inside"},
      {"Name,When\nx,y\n", "line 1: the header row has no Task column"},
      {"Task\n\xC3\x28\n", "line 2: the text is not UTF-8"},
  };
  for (const Case& c : csv) {
    const TImportFile file = TTaskExchangeReader::ReadCsv(c.bytes);
    EXPECT_TRUE(file.Error.contains(QLatin1String(c.expected))) << file.Error.toStdString() << " / " << c.expected;
    EXPECT_TRUE(file.Tasks.empty());
  }
}

TEST(TaskExchangeReaderTest, CsvInAnyColumnOrderWithQuotedLineBreaks) {
  const TImportFile file = TTaskExchangeReader::ReadCsv(
      "\xEF\xBB\xBFNote,done,TASK,Key Words,Time,Date,Priority,Extra\n"
      "\"two\nlines, \"\"quoted\"\"\",yes,\"Plan, then act\",work home,9:05,2024-2-29,c,ignored\n"
      "\n"
      ",,Bare,,,,,\n");
  ASSERT_TRUE(file.ok()) << file.Error.toStdString();
  ASSERT_EQ(file.Tasks.size(), 2u);
  EXPECT_EQ(file.Tasks[0].Summary, "Plan, then act");
  EXPECT_EQ(file.Tasks[0].Note, "two\r\nlines, \"quoted\"");
  EXPECT_TRUE(file.Tasks[0].Done);
  EXPECT_EQ(file.Tasks[0].Keys, "work home");
  EXPECT_EQ(file.Tasks[0].Date + file.Tasks[0].Time, "2024022909:05");
  EXPECT_EQ(file.Tasks[0].Priority, "C");
  EXPECT_EQ(file.Tasks[1].Summary, "Bare");
  EXPECT_FALSE(file.Tasks[1].Done);
  EXPECT_EQ(file.Tasks[1].Date, "");
}

TEST(TaskExchangeReaderTest, StoredTasksKeepWhatTheFieldsCannotHold) {
  QTemporaryDir dir;
  TodoTable table;
  table.SetDirectory(dir.path() + "/");
  ASSERT_TRUE(table.CreateTaskTable(1252));
  ASSERT_TRUE(table.OpenTaskFiles(false));

  TImportFile file;
  TImportedTask longOne;
  longOne.Summary = QString(60, QLatin1Char('x')) + QStringLiteral(" end");
  longOne.Keys = QStringList(20, QStringLiteral("word")).join(QLatin1Char(' '));
  longOne.Note = QStringLiteral("the note");
  longOne.Priority = QStringLiteral("A");
  TImportedTask foreign;
  foreign.Summary = QStringLiteral("\u65E5\u672C and \u00E9");
  foreign.Note = QStringLiteral("\u65E5 \u20AC");
  file.Tasks = {longOne, foreign};
  file.Events = 2;
  file.Alarms = 1;

  EXPECT_EQ(TTaskExchangeImport::UnstorableCharacters(file, 1252), QStringLiteral("\u65E5\u672C"));
  int imported = 0;
  int lastProgress = -1;
  ASSERT_TRUE(TTaskExchangeImport::Append(table, file, &imported, [&](int done, int) { lastProgress = done; }).ok());
  EXPECT_EQ(imported, 2);
  EXPECT_EQ(lastProgress, 2);
  ASSERT_EQ(table.ViewCount(), 2);
  TaskRecord row;
  ASSERT_TRUE(table.ReadRow(0, &row));
  ASSERT_TRUE(table.GoToRow(0).ok());
  EXPECT_EQ(row.descript, QString(50, QLatin1Char('x')));
  EXPECT_EQ(row.priority, "A");
  EXPECT_EQ(table.Memo(TodoTable::kNote),
            longOne.Summary + QStringLiteral("\r\nKey words: ") + longOne.Keys + QStringLiteral("\r\nthe note"));
  ASSERT_TRUE(table.ReadRow(1, &row));
  EXPECT_EQ(row.descript, QStringLiteral("?? and \u00E9"));
  ASSERT_TRUE(table.Close().ok());

  const QString summary = TTaskExchangeImport::Summary(file, imported);
  EXPECT_TRUE(summary.startsWith(QLatin1String("2 tasks imported."))) << summary.toStdString();
  EXPECT_TRUE(summary.contains(QLatin1String("Skipped (not tasks): 2 events."))) << summary.toStdString();
  EXPECT_TRUE(summary.contains(QLatin1String("note: 1 alarm."))) << summary.toStdString();
}

}  // namespace
