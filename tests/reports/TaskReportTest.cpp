// The printed task report's body over a recording report: the header's positions, the row
// stops and clipped cells, the check-box square, double spacing, the key-word and note
// bands across a page break, the cell formats and the stop flag.
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/DateTimeFormat.h"
#include "reports/TaskReport.h"
#include "tests/reports/ExportTestSupport.h"
#include "tests/reports/TaskReportTestSupport.h"

namespace {

using namespace task_report_testing;

// Six pixels a character: enough to wrap notes predictably.
int SixPixels(QStringView text) { return static_cast<int>(text.size()) * 6; }

struct Entry {
  std::string kind;
  QStringList fields;
  QString rest;  // the entry after its kind
  int page = 0;
};

class TaskReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    export_testing::UseEnglishDates();
    SetTodayForTests(QDate(2026, 12, 8));
  }
  void TearDown() override { SetTodayForTests(QDate()); }

  // Runs the body over `tasks` and returns the recorder's entries with their pages.
  std::vector<Entry> Run(std::vector<TaskRecord> tasks, const TTaskReportOptions& options,
                         const std::function<void(size_t, TTaskReport&)>& onRead = {}) {
    TMemorySource source(std::move(tasks));
    TTaskReport body(source, options, SixPixels, 96);
    if (onRead) source.onRead = [&body, &onRead](size_t pos) { onRead(pos, body); };
    TaskRecorder report;
    report.SetLineHeightMethod(lhmFont);
    report.SetMarginLeft(0.5);
    report.SetMarginRight(0.5);
    report.SetMarginTop(0.5);
    report.SetMarginBottom(0.5);
    report.OnPrint = [&body](TBaseReport& r) { body.PrintReport(r); };
    report.Execute();
    tasksPrinted_ = body.TasksPrinted();
    memoWidth_ = body.MemoWidth();
    std::vector<Entry> entries;
    int page = 0;
    for (const std::string& line : report.log) {
      const QString text = QString::fromStdString(line);
      Entry e;
      e.kind = line.substr(0, line.find(' '));
      e.rest = text.mid(static_cast<qsizetype>(e.kind.size()) + 1);
      e.fields = text.split(QLatin1Char(' '));
      if (e.kind == "startpage") page = e.fields.value(1).toInt();
      e.page = page;
      entries.push_back(e);
    }
    return entries;
  }

  static std::vector<Entry> Of(const std::vector<Entry>& all, const char* kind, const QString& containing = {}) {
    std::vector<Entry> out;
    for (const Entry& e : all)
      if (e.kind == kind && e.rest.contains(containing)) out.push_back(e);
    return out;
  }
  // The position fields of a text entry: the last two numbers.
  static double X(const Entry& e) { return e.fields.value(e.fields.size() - 2).toDouble(); }
  static double Y(const Entry& e) { return e.fields.value(e.fields.size() - 1).toDouble(); }
  // A textrect entry: clip left, top, right, bottom, x, y.
  static double Field(const Entry& e, int i) { return e.fields.value(i + 1).toDouble(); }

  int tasksPrinted_ = 0;
  int memoWidth_ = 0;
};

TEST_F(TaskReportTest, HeaderTitlePageLabelDateColumnTitlesAndRules) {
  TTaskReportOptions options;
  options.Title = QStringLiteral("My Tasks");
  const auto entries = Run({Task("20261205", "14:30", QStringLiteral("Water the garden"), "A", false)}, options);

  const auto title = Of(entries, "text", QStringLiteral("left My Tasks "));
  ASSERT_EQ(title.size(), 1u);
  EXPECT_DOUBLE_EQ(X(title[0]), 1.0);
  EXPECT_GT(Y(title[0]), 0.5);
  EXPECT_LT(Y(title[0]), 0.5 + 14.0 / 60 + 0.01);  // on the first line below 0.5 inch
  const auto page = Of(entries, "text", QStringLiteral("right Page 1 "));
  ASSERT_EQ(page.size(), 1u);
  EXPECT_DOUBLE_EQ(X(page[0]), 7.5);
  EXPECT_DOUBLE_EQ(Y(page[0]), Y(title[0]));
  const auto date = Of(entries, "text", QStringLiteral("right 12/08/2026 "));
  ASSERT_EQ(date.size(), 1u);
  EXPECT_DOUBLE_EQ(X(date[0]), 7.5);
  EXPECT_NEAR(Y(date[0]) - Y(page[0]), 14.0 / 60, 1e-3);

  // Column titles on the line whose baseline is 0.15 inch below 1.3 inches, at the stops.
  const std::pair<const char*, double> titles[] = {
      {"Date", 1.02}, {"Time", 2.52}, {"Task", 3.52}, {"Priority", 6.27}, {"Done", 7.02}};
  for (const auto& [name, x] : titles) {
    const auto found = Of(entries, "text", QStringLiteral("left %1 ").arg(QLatin1String(name)));
    ASSERT_EQ(found.size(), 1u) << name;
    EXPECT_NEAR(X(found[0]), x, 1e-4) << name;
    EXPECT_NEAR(Y(found[0]), 1.45, 1e-4) << name;
  }
  // The two rules: at 1.5 inches and at H - 1.0, across the section.
  std::vector<QString> lines;
  for (const Entry& e : entries)
    if (e.kind == "move" || e.kind == "line") lines.push_back(e.rest);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "1.0000 1.5000");
  EXPECT_EQ(lines[1], "7.5000 1.5000");
  EXPECT_EQ(lines[2], "1.0000 10.0000");
  EXPECT_EQ(lines[3], "7.5000 10.0000");
}

TEST_F(TaskReportTest, CellsAreClippedAndFormatted) {
  TTaskReportOptions options;
  const QString longText = QString(50, QLatin1Char('W'));
  const auto entries = Run({Task("20261205", "14:30", longText, "A", true),
                            Task("", "", QStringLiteral("Undated"), "", false)},
                           options);
  const auto cells = Of(entries, "textrect");
  ASSERT_EQ(cells.size(), 10u);
  EXPECT_TRUE(cells[0].rest.endsWith(QStringLiteral("05 Dec, 2026 (Sat)")));
  EXPECT_TRUE(cells[1].rest.endsWith(QStringLiteral("02:30 pm")));
  EXPECT_TRUE(cells[2].rest.endsWith(longText));
  EXPECT_TRUE(cells[3].rest.endsWith(QStringLiteral("High")));
  EXPECT_TRUE(cells[4].rest.endsWith(QStringLiteral("Yes")));
  EXPECT_TRUE(cells[9].rest.endsWith(QStringLiteral("No")));
  // The undated task's Date and Time cells are empty.
  EXPECT_EQ(cells[5].fields.size(), 8);
  EXPECT_EQ(cells[5].fields.last(), QString());
  // The Task cell: from its inner left edge (3.52) to 0.2 inch before its inner right edge
  // (3.52 + 2.75 - 0.04 - 0.2 = 6.03), at 300 pixels per inch.
  EXPECT_DOUBLE_EQ(Field(cells[2], 4), 3.52);
  EXPECT_EQ(Field(cells[2], 0), 1056);
  EXPECT_EQ(Field(cells[2], 2), 1809);
  // Date cell 1.02 .. 1.02 + 1.46 - 0.2.
  EXPECT_EQ(Field(cells[0], 0), 306);
  EXPECT_EQ(Field(cells[0], 2), 684);
  // Vertically one font height each side of the baseline; the text's top at the ascent.
  const double y = Field(cells[2], 5);
  EXPECT_LT(y, 1.5 + 0.15);
  EXPECT_GT(y, 1.5);
  EXPECT_NEAR(Field(cells[2], 3) - Field(cells[2], 1), 2 * 9.0 / 72 * 300, 2);
}

TEST_F(TaskReportTest, CheckBoxSquareAndItsEmptyStop) {
  TTaskReportOptions options;
  options.PrintCheckbox = true;
  auto entries = Run({Task("", "", QStringLiteral("One"), "B", false)}, options);
  const auto squares = Of(entries, "rect");
  ASSERT_EQ(squares.size(), 1u);
  EXPECT_DOUBLE_EQ(squares[0].fields[1].toDouble(), 1.0);
  EXPECT_DOUBLE_EQ(squares[0].fields[3].toDouble(), 1.125);
  EXPECT_NEAR(squares[0].fields[4].toDouble() - squares[0].fields[2].toDouble(), 0.125, 1e-4);
  // The first row's line top is the section top (1.5): the square starts 0.02 below it.
  EXPECT_NEAR(squares[0].fields[2].toDouble(), 1.52, 1e-4);
  EXPECT_NEAR(squares[0].fields[4].toDouble(), 1.645, 1e-4);
  // The Date column moves right by the check-box stop, in the header too.
  EXPECT_NEAR(X(Of(entries, "text", QStringLiteral("left Date "))[0]), 1.145, 1e-4);

  options.PrintCheckbox = false;
  entries = Run({Task("", "", QStringLiteral("One"), "B", false)}, options);
  EXPECT_TRUE(Of(entries, "rect").empty());
  EXPECT_NEAR(X(Of(entries, "text", QStringLiteral("left Date "))[0]), 1.02, 1e-4);
}

TEST_F(TaskReportTest, DoubleSpacingLeavesOneEmptyLineAfterEachTask) {
  std::vector<TaskRecord> tasks;
  for (int i = 0; i < 3; ++i) tasks.push_back(Task("", "", QStringLiteral("T%1").arg(i), "C", false));
  TTaskReportOptions options;
  auto rows = Of(Run(tasks, options), "textrect", QStringLiteral(" No"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NEAR(Field(rows[1], 5) - Field(rows[0], 5), 0.15, 1e-6);
  options.DoubleSpace = true;
  rows = Of(Run(tasks, options), "textrect", QStringLiteral(" No"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NEAR(Field(rows[1], 5) - Field(rows[0], 5), 0.30, 1e-6);
  EXPECT_NEAR(Field(rows[2], 5) - Field(rows[1], 5), 0.30, 1e-6);
}

TEST_F(TaskReportTest, BandsContinueAcrossAPageBreakWithTheSameShadeAndWidth) {
  QStringList noteLines;
  for (int i = 1; i <= 80; ++i) noteLines << QStringLiteral("note line %1").arg(i);
  TTaskReportOptions options;
  options.PrintMemo = true;
  options.PrintKeywords = true;
  options.PrintCheckbox = true;
  const auto entries = Run({Task("", "", QStringLiteral("Long note"), "A", false, QStringLiteral("home garden"),
                                 noteLines.join(QStringLiteral("\r\n"))),
                            Task("", "", QStringLiteral("After"), "B", false)},
                           options);
  EXPECT_EQ(memoWidth_, static_cast<int>((6.5 - 0.25) * 96));
  const auto bands = Of(entries, "tabrect");
  ASSERT_EQ(bands.size(), 81u);  // the key-word line and 80 note lines
  const QString keyBrush = bands[0].fields.last();
  const QString noteBrush = bands[1].fields.last();
  EXPECT_NE(keyBrush, noteBrush);
  // Bands start after the check-box stop and reach the section's right edge.
  for (const Entry& b : bands) {
    EXPECT_DOUBLE_EQ(b.fields[1].toDouble(), 1.125);
    EXPECT_DOUBLE_EQ(b.fields[3].toDouble(), 7.5);
    EXPECT_LE(b.fields[4].toDouble(), 10.0 + 1e-6);  // never below the bottom rule
    EXPECT_GE(b.fields[2].toDouble(), 1.5 - 1e-6);
  }
  int onPage2 = 0;
  for (size_t i = 1; i < bands.size(); ++i) {
    EXPECT_EQ(bands[i].fields.last(), noteBrush);
    if (bands[i].page == 2) ++onPage2;
  }
  EXPECT_GT(onPage2, 0);
  // Page 2 has its own header before its first band line, and the band starts on the
  // section's first line.
  ASSERT_EQ(Of(entries, "text", QStringLiteral("right Page 2 ")).size(), 1u);
  for (const Entry& b : bands) {
    if (b.page != 2) continue;
    EXPECT_NEAR(b.fields[2].toDouble(), 1.5, 1e-4);
    break;
  }
  const auto text = Of(entries, "text", QStringLiteral("left Keywords:home garden "));
  ASSERT_EQ(text.size(), 1u);
  // The second task's row follows the note, on page 2.
  const auto after = Of(entries, "textrect", QStringLiteral(" After"));
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0].page, 2);
}

TEST_F(TaskReportTest, BlankKeyWordsAndNotesPrintNoBand) {
  TTaskReportOptions options;
  options.PrintMemo = true;
  options.PrintKeywords = true;
  const auto entries = Run({Task("", "", QStringLiteral("T"), "A", false, QStringLiteral("   "),
                                 QStringLiteral("   \r\n"))},
                           options);
  EXPECT_TRUE(Of(entries, "tabrect").empty());
}

TEST_F(TaskReportTest, DateAndTimeCells) {
  EXPECT_EQ(TTaskReport::DateCell(QStringLiteral("20261205")), "05 Dec, 2026 (Sat)");
  EXPECT_EQ(TTaskReport::DateCell(QStringLiteral("20240229")), "29 Feb, 2024 (Thu)");
  EXPECT_EQ(TTaskReport::DateCell(QString()), "");
  EXPECT_EQ(TTaskReport::DateCell(QStringLiteral("20231340")), "");
  EXPECT_EQ(TTaskReport::DateCell(QStringLiteral("2023ab01")), "");
  EXPECT_EQ(TTaskReport::TimeCell(QStringLiteral("14:30")), "02:30 pm");
  EXPECT_EQ(TTaskReport::TimeCell(QStringLiteral("09:05")), "09:05 am");
  EXPECT_EQ(TTaskReport::TimeCell(QStringLiteral("     ")), "");
  EXPECT_EQ(TTaskReport::TimeCell(QStringLiteral("25:00")), "");
}

TEST_F(TaskReportTest, StopEndsBeforeTheNextTask) {
  std::vector<TaskRecord> tasks;
  for (int i = 0; i < 10; ++i) tasks.push_back(Task("", "", QStringLiteral("T%1").arg(i), "C", false));
  const auto entries = Run(tasks, TTaskReportOptions(), [](size_t pos, TTaskReport& body) {
    if (pos == 3) body.Stop();
  });
  // The task being read when Stop came is still drawn; none after it.
  EXPECT_EQ(tasksPrinted_, 4);
  EXPECT_EQ(Of(entries, "textrect", QStringLiteral(" T4")).size(), 0u);
  EXPECT_EQ(Of(entries, "textrect", QStringLiteral(" T3")).size(), 1u);
}

}  // namespace
