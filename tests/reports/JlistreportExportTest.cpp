// jlistreport driven from outside: the same bytes as the dialog, the defaults from the
// folder's settings files, options, exit codes, and task and settings files untouched.
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "core/AppHelpers.h"
#include "reports/ui/ReportSetup.h"
#include "store/IniFile.h"
#include "store/Settings.h"
#include "store/TodoTable.h"
#include "tests/reports/ExportTestSupport.h"
#include "tests/reports/JlistreportTestSupport.h"
#include "widgets/MessageBox.h"

namespace {

using namespace export_testing;
using namespace jlistreport_testing;

class JlistreportExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    UseEnglishDates();
    StoreTasks(dir_.path(), SampleTasks());
    ASSERT_FALSE(HasFatalFailure());
    // Record order unless a test stores another.
    TPreferences preferences;
    preferences.Order = 0;
    ASSERT_TRUE(TSettings(Folder()).SavePreferences(preferences).ok());
  }

  QString Folder() const { return dir_.path() + "/"; }
  QString Path(const char* name) const { return dir_.filePath(QLatin1String(name)); }

  TRun Run(const QStringList& arguments) const { return RunJlistreport(arguments); }
  QByteArray Fingerprint() const { return FolderFingerprint(dir_.path()); }

  QTemporaryDir dir_;
};

TEST_F(JlistreportExportTest, WritesTheSameBytesAsTheDialog) {
  const QByteArray before = Fingerprint();
  for (const char* option : {"--html", "--rtf", "--text"}) {
    const QString out = Path("cli") + QLatin1String(option).mid(2);
    const TRun run = Run({dir_.path(), QLatin1String(option), out, QStringLiteral("--notes")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
  }
  EXPECT_EQ(ReadFile(Path("clihtml")), ExpectedFile("tasks-notes.htm"));
  EXPECT_EQ(ReadFile(Path("clirtf")), ExpectedFile("tasks-notes.rtf"));
  EXPECT_EQ(ReadFile(Path("clitext")), ExpectedFile("tasks-notes.txt"));
  EXPECT_EQ(Fingerprint(), before) << "task and settings files untouched";

  // The dialog over the same folder, in the same order.
  SetProgramDirectoryForTests(dir_.path());
  TodoTable table;
  table.SetDirectory(dir_.path());
  ASSERT_TRUE(table.OpenTaskFiles(false));
  table.SetOrder(0);
  {
    TReportSetup dialog(table);
    TPreferences preferences;
    preferences.HTMLPrintMemo = preferences.RTFPrintMemo = preferences.TextPrintMemo = true;
    dialog.SetSwitches(preferences);
    ASSERT_TRUE(dialog.CopyHTML(Path("dialog.htm"), dialog.ColorString(), dialog.HTMLPageTitle->text()).ok());
    ASSERT_TRUE(dialog.CopyRTF(Path("dialog.rtf"), dialog.RTFPageTitle->text()).ok());
    ASSERT_TRUE(dialog.CopyText(Path("dialog.txt"), dialog.TextPageTitle->text()).ok());
  }
  ASSERT_TRUE(table.Close().ok());
  SetProgramDirectoryForTests(QString());
  EXPECT_EQ(ReadFile(Path("dialog.htm")), ReadFile(Path("clihtml")));
  EXPECT_EQ(ReadFile(Path("dialog.rtf")), ReadFile(Path("clirtf")));
  EXPECT_EQ(ReadFile(Path("dialog.txt")), ReadFile(Path("clitext")));
}

TEST_F(JlistreportExportTest, DefaultsComeFromTheFoldersSettingsFiles) {
  TSettings settings(Folder());
  TPreferences preferences;
  preferences.Order = 2;  // DESCRIPT
  preferences.HTMLColor = kSpecialColor;
  ASSERT_TRUE(settings.SavePreferences(preferences).ok());
  TReportTexts texts = settings.LoadReportTexts();
  texts.HTMLTitle = kSpecialTitle;
  texts.TextTitle = QStringLiteral("Plain title");
  ASSERT_TRUE(settings.SaveReportTexts(texts).ok());
  const QByteArray before = Fingerprint();

  ASSERT_EQ(Run({dir_.path(), QStringLiteral("--html"), Path("out.htm")}).exitCode, 0);
  const QByteArray html = ReadFile(Path("out.htm"));
  EXPECT_TRUE(html.contains("<TITLE>Home &amp; &lt;Work&gt; {2024} C:\\x</TITLE>"));
  EXPECT_TRUE(html.contains("<BODY BGCOLOR=#0080FF>"));
  EXPECT_FALSE(html.contains("BLOCKQUOTE")) << "notes only with --notes";
  // Task text order: C:\..., Call..., Fifty..., Undated...
  const qsizetype c = html.indexOf("C:\\temp"), call = html.indexOf("Call the"), fifty = html.indexOf("Fifty"),
                  undated = html.indexOf("Undated");
  EXPECT_TRUE(c < call && call < fifty && fifty < undated);

  ASSERT_EQ(Run({dir_.path(), QStringLiteral("--text"), Path("out.txt")}).exitCode, 0);
  EXPECT_TRUE(ReadFile(Path("out.txt")).startsWith("Plain title\r\n"));
  EXPECT_EQ(Fingerprint(), before);
}

TEST_F(JlistreportExportTest, OptionsOverrideTheDefaults) {
  const TRun run = Run({dir_.path(), QStringLiteral("--html"), Path("o.htm"), QStringLiteral("--title"),
                        QStringLiteral("A & B"), QStringLiteral("--color"), QStringLiteral("a0b1c2"),
                        QStringLiteral("--order"), QStringLiteral("5"), QStringLiteral("--filter"),
                        QStringLiteral("(.not.(PRIORITY=\"C\")).and.(.not.DONE)"), QStringLiteral("--notes")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QByteArray html = ReadFile(Path("o.htm"));
  EXPECT_TRUE(html.contains("<TITLE>A &amp; B</TITLE>"));
  EXPECT_TRUE(html.contains("<BODY BGCOLOR=#A0B1C2>"));
  EXPECT_EQ(html.count("<TD WRAP>"), 4) << "two tasks, each with a note";
  // Priority order: A (Call the plumber) before B (C:\temp...).
  EXPECT_LT(html.indexOf("Call the plumber"), html.indexOf("C:\\temp"));
  EXPECT_FALSE(html.contains("Undated")) << "done";
  EXPECT_FALSE(html.contains("Fifty")) << "priority C";
}

TEST_F(JlistreportExportTest, BadInputExitsWithStatusTwoAndSaysWhy) {
  ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("empty")));
  const QByteArray before = Fingerprint();
  const QString out = Path("x.htm");
  const struct {
    QStringList args;
    const char* says;
  } cases[] = {
      {{}, "give one of --html, --rtf and --text"},  // the folder may be left out, the format not
      {{dir_.path()}, "give one of --html, --rtf and --text"},
      {{Path("missing"), "--html", out}, "does not exist"},
      {{Path("empty"), "--html", out}, "no task table JLIST.DBF"},
      {{dir_.path(), "--html", out, "--rtf", out}, "once"},
      {{dir_.path(), "--html"}, "--html needs a value"},
      {{dir_.path(), "--html", out, "--bogus"}, "unknown option --bogus"},
      {{dir_.path(), "--html", out, "--order", "9"}, "order 9 is not a tag number (0 to 5)"},
      {{dir_.path(), "--html", out, "--order", "two"}, "--order needs a tag number"},
      {{dir_.path(), "--html", out, "--color", "12345G"}, "six hexadecimal digits"},
      {{dir_.path(), "--html", out, "--filter", "PRIORITY ="}, "is not a valid expression"},
      {{dir_.path(), "--html", out, "--filter", "NOSUCHFIELD = 'A'"}, "is not a valid expression"},
      {{dir_.path(), "--html", Path("JLIST.DBF")}, "task or settings files"},
      {{dir_.path(), "--text", Path("TODO.INI")}, "task or settings files"},
  };
  for (const auto& c : cases) {
    const TRun run = Run(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.args.join(' ').toStdString();
    EXPECT_TRUE(run.err.startsWith("jlistreport: ")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String(c.says))) << c.says << " in " << run.err.toStdString();
  }
  EXPECT_FALSE(QFileInfo::exists(out)) << "nothing written";
  EXPECT_EQ(Fingerprint(), before);
}

TEST_F(JlistreportExportTest, AFileThatCannotBeWrittenExitsWithStatusOne) {
  const QByteArray before = Fingerprint();
  TRun run = Run({dir_.path(), QStringLiteral("--text"), QStringLiteral("/dev/full")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "jlistreport: Unable to write to /dev/full: No space left on device\n");
  run = Run({dir_.path(), QStringLiteral("--rtf"), Path("gone/x.rtf")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.err.contains("No such file or directory")) << run.err.toStdString();
  EXPECT_EQ(Fingerprint(), before);
}

TEST_F(JlistreportExportTest, AnIndexThatIsGoneStillExportsInRecordOrder) {
  ASSERT_TRUE(QFile::remove(Path("JLIST.CDX")));
  const QByteArray before = Fingerprint();
  TRun run = Run({dir_.path(), QStringLiteral("--text"), Path("r.txt"), QStringLiteral("--order"), QStringLiteral("0")});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(ReadFile(Path("r.txt")).contains("Call the plumber"));
  run = Run({dir_.path(), QStringLiteral("--text"), Path("r.txt"), QStringLiteral("--order"), QStringLiteral("1")});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.err.contains("needs the index")) << run.err.toStdString();
  EXPECT_EQ(Fingerprint(), before) << "no index was built";
}

}  // namespace
