// jlistreport printing the task report from outside: a PDF with and without an installed
// printer, the report file and PNG pages, the switches and their defaults from the
// folder's settings, order and filter, exit codes, and the task and settings files left
// byte for byte as they were.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "reportengine/PreviewRenderer.h"
#include "store/Settings.h"
#include "store/TodoTable.h"
#include "tests/reports/ExportTestSupport.h"
#include "tests/reports/JlistreportTestSupport.h"

namespace {

using export_testing::ReadFile;
using namespace jlistreport_testing;

constexpr int kTasks = 70;

QString Tool(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForFinished(60000)) return QString();
  return QString::fromUtf8(process.readAllStandardOutput());
}

// Task i: its text names it, so that the order of the printed report can be read back.
QString TaskText(int i) { return QStringLiteral("Task %1 of the list").arg(i, 3, 10, QLatin1Char('0')); }

class JlistreportReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    TodoTable table;
    table.SetDirectory(dir_.path());
    ASSERT_TRUE(table.OpenTaskFiles(false));
    // Stored in reverse, so that record order and task order differ.
    for (int i = kTasks; i >= 1; --i) {
      ASSERT_TRUE(table.Append().ok());
      ASSERT_TRUE(table.SetFieldText(TodoTable::kDate, QStringLiteral("20261208")).ok());
      ASSERT_TRUE(table.SetFieldText(TodoTable::kDescript, TaskText(i)).ok());
      ASSERT_TRUE(table.SetFieldText(TodoTable::kPriority, i % 2 ? QStringLiteral("A") : QStringLiteral("C")).ok());
      ASSERT_TRUE(table.SetFieldText(TodoTable::kKeys, QStringLiteral("keyword%1").arg(i)).ok());
      ASSERT_TRUE(table.SetMemo(TodoTable::kNote, QStringLiteral("Note line of %1").arg(i)).ok());
      ASSERT_TRUE(table.Post().ok());
    }
    ASSERT_TRUE(table.Close().ok());
    TPreferences preferences;
    preferences.Order = 0;
    ASSERT_TRUE(TSettings(dir_.path() + "/").SavePreferences(preferences).ok());
  }

  QString Path(const QString& name) const { return dir_.filePath(name); }

  // jlistreport on the test's folder.
  TRun Run(const QStringList& arguments, const QStringList& extra = {}) const {
    return RunJlistreport(QStringList{dir_.path()} + arguments, extra);
  }
  QByteArray Fingerprint() const { return FolderFingerprint(dir_.path()); }

  // Positions of the tasks' texts in `text`, in the order they appear.
  static std::vector<int> TaskOrder(const QString& text) {
    std::vector<int> order;
    static const QRegularExpression kTask(QStringLiteral("Task (\\d{3}) of the list"));
    for (auto it = kTask.globalMatch(text); it.hasNext();) order.push_back(it.next().captured(1).toInt());
    return order;
  }

  QTemporaryDir dir_;
};

TEST_F(JlistreportReportTest, PdfHoldsEveryTaskInOrderAndLeavesTheFilesAlone) {
  const QByteArray before = Fingerprint();
  // Order 2 is the task text: 001 to 070, the reverse of the records.
  const TRun run = Run({"--pdf", Path("tasks.pdf"), "--order", "2", "--notes", "--keywords", "--title", "Weekly list"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
  EXPECT_EQ(Fingerprint(), before) << "task and settings files untouched";

  const QString text = Tool("pdftotext", {"-layout", Path("tasks.pdf"), "-"});
  std::vector<int> expected(kTasks);
  for (int i = 0; i < kTasks; ++i) expected[static_cast<size_t>(i)] = i + 1;
  EXPECT_EQ(TaskOrder(text), expected);
  EXPECT_TRUE(text.contains("Weekly list"));
  EXPECT_TRUE(text.contains("Keywords:keyword17"));
  EXPECT_TRUE(text.contains("Note line of 17"));
  EXPECT_TRUE(text.contains("Page 2")) << "three lines a task fill more than a page";
  // Viewers show the document's title: the report's, not the print job's name.
  const QString info = Tool("pdfinfo", {Path("tasks.pdf")});
  EXPECT_TRUE(info.contains(QRegularExpression("^Title:\\s+Weekly list$", QRegularExpression::MultilineOption))) << info.toStdString();
  EXPECT_EQ(QFileInfo(Path("tasks.pdf")).permissions() & QFileDevice::ReadOther, QFileDevice::ReadOther)
      << "a report file is as readable as any new file, not private like a temporary one";
  const QStringList leftovers = QDir(dir_.path()).entryList({".jlistreport-*"}, QDir::Files | QDir::Hidden);
  EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(' ').toStdString();
}

TEST_F(JlistreportReportTest, PdfIsWrittenWithoutAnyPrinter) {
  // A CUPS server that cannot be reached lists no printers.
  const QStringList noPrinters{"CUPS_SERVER=" + Path("no-cups.sock")};
  TRun run = Run({"--pdf", Path("us.pdf"), "--filter", "PRIORITY='A'"}, noPrinters + QStringList{"LC_ALL=en_US.UTF-8"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  QString info = Tool("pdfinfo", {Path("us.pdf")});
  EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+612 x 792"))) << info.toStdString();
  const std::vector<int> order = TaskOrder(Tool("pdftotext", {Path("us.pdf"), "-"}));
  ASSERT_EQ(order.size(), static_cast<size_t>(kTasks / 2)) << "the filter keeps the odd tasks";
  EXPECT_EQ(order.front(), kTasks - 1) << "record order";
  for (const int task : order) EXPECT_EQ(task % 2, 1);

  run = Run({"--pdf", Path("a4.pdf")}, noPrinters + QStringList{"LC_ALL=de_DE.UTF-8"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  info = Tool("pdfinfo", {Path("a4.pdf")});
  EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+595(\\.\\d+)? x 842"))) << info.toStdString();
}

TEST_F(JlistreportReportTest, PngPagesAreThePagesOfTheReportFile) {
  ASSERT_EQ(Run({"--report", Path("tasks.rep"), "--notes", "--double"}).exitCode, 0);
  TPreviewRenderer reader;
  reader.SetFileName(Path("tasks.rep"));
  reader.SetStreamMode(smFile);
  reader.StartOffscreen(96, 96);
  const int pages = reader.PageCount();
  const double width = reader.FilePageWidth();
  const double height = reader.FilePageHeight();
  reader.Finish();
  ASSERT_GE(pages, 2);

  const TRun run = Run({"--png", Path("pages"), "--zoom", "50", "--notes", "--double"});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QStringList files = QDir(Path("pages")).entryList({"*.png"}, QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), pages);
  EXPECT_EQ(files.front(), "page-001.png");
  const QImage first(Path("pages/page-001.png"));
  ASSERT_FALSE(first.isNull());
  EXPECT_NEAR(first.width(), width * 96 * 0.5, 2);
  EXPECT_NEAR(first.height(), height * 96 * 0.5, 2);
  // White paper with dark text on it.
  EXPECT_EQ(first.pixelColor(2, 2), QColor(Qt::white));
  int dark = 0;
  for (int y = 0; y < first.height(); ++y) {
    for (int x = 0; x < first.width(); ++x) dark += qGray(first.pixel(x, y)) < 96;
  }
  EXPECT_GT(dark, 500);
}

TEST_F(JlistreportReportTest, SwitchesDefaultToTheFoldersReportSettings) {
  TSettings settings(dir_.path() + "/");
  TPreferences preferences = settings.LoadPreferences();
  preferences.PrintMemo = true;
  ASSERT_TRUE(settings.SavePreferences(preferences).ok());
  TReportTexts texts = settings.LoadReportTexts();
  texts.ReportTitle = QStringLiteral("Title from the settings");
  ASSERT_TRUE(settings.SaveReportTexts(texts).ok());

  ASSERT_EQ(Run({"--pdf", Path("defaults.pdf")}).exitCode, 0);
  QString text = Tool("pdftotext", {Path("defaults.pdf"), "-"});
  EXPECT_TRUE(text.contains("Title from the settings"));
  EXPECT_TRUE(text.contains("Note line of 5"));
  EXPECT_FALSE(text.contains("Keywords:"));

  ASSERT_EQ(Run({"--pdf", Path("switched.pdf"), "--no-notes", "--keywords"}).exitCode, 0);
  text = Tool("pdftotext", {Path("switched.pdf"), "-"});
  EXPECT_FALSE(text.contains("Note line of"));
  EXPECT_TRUE(text.contains("Keywords:keyword5"));
}

TEST_F(JlistreportReportTest, BadRequestsAndFailedWritesLeaveNoFile) {
  const QByteArray before = Fingerprint();
  struct TCase {
    QStringList args;
    int exitCode;
  };
  const TCase cases[] = {
      {{"--png", Path("p"), "--zoom", "5"}, 2},
      {{"--pdf", Path("x.pdf"), "--zoom", "50"}, 2},
      {{"--html", Path("x.htm"), "--checkbox"}, 2},
      {{"--pdf", Path("x.pdf"), "--report", Path("x.rep")}, 2},
      {{"--pdf", Path("x.pdf"), "--filter", "PRIORITY='A"}, 2},
      {{"--pdf", Path("JLIST.DBF")}, 2},
      {{"--pdf", Path("missing/x.pdf")}, 1},
      {{"--pdf", "/dev/full"}, 1},
      {{"--report", "/dev/full"}, 1},
  };
  for (const TCase& c : cases) {
    const TRun run = Run(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.args.join(' ').toStdString() << "\n" << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith("jlistreport: ")) << run.err.toStdString();
  }
  EXPECT_FALSE(QFileInfo::exists(Path("x.pdf")));
  EXPECT_FALSE(QFileInfo::exists(Path("p")));
  EXPECT_EQ(Fingerprint(), before);
  EXPECT_EQ(QFileInfo("/dev/full").isFile(), false) << "a device is written to, never replaced";

  // A file the report would replace stays whole when the run fails.
  {
    QFile kept(Path("kept.pdf"));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("the old report");
  }
  EXPECT_EQ(Run({"--pdf", Path("kept.pdf"), "--filter", "NOSUCHFIELD"}).exitCode, 2);
  EXPECT_EQ(ReadFile(Path("kept.pdf")), QByteArray("the old report"));
}

}  // namespace
