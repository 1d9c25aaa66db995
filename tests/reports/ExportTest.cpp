// The three export writers: byte for byte against files written out by hand, the walk of
// the task list, note lines, escapes, code page bytes, refused writes, and the files read
// back by programs we did not write (unrtf, Python's html.parser).
#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "reports/DialogFontMeasure.h"
#include "reports/TaskExport.h"
#include "store/xbase/Codepage.h"
#include "tests/reports/ExportTestSupport.h"

namespace {

using namespace export_testing;

// Every character 10 pixels wide: wrap positions are easy to count.
int TenPixels(QStringView text) { return static_cast<int>(text.size()) * 10; }

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseEnglishDates();
    ASSERT_TRUE(dir_.isValid());
  }

  TExportOptions Options(TExportFormat format, bool notes, const QString& title = QStringLiteral("Jotlist")) {
    TExportOptions options = TTaskExport::OptionsFor(format, measure_);
    options.Title = title;
    options.CopyNotes = notes;
    return options;
  }

  QByteArray Export(TTaskWalk& source, const TExportOptions& options) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const xbase::Status status = TTaskExport::Write(source, options, buffer);
    EXPECT_TRUE(status.ok()) << status.ToString();
    return buffer.data();
  }
  QByteArray Export(const std::vector<TaskRecord>& tasks, const TExportOptions& options) {
    TMemorySource source(tasks);
    return Export(source, options);
  }

  QTemporaryDir dir_;
  TDialogFontMeasure measure_;
};

TEST_F(ExportTest, EachFormatMatchesTheHandWrittenFile) {
  const std::vector<TaskRecord> tasks = SampleTasks();
  EXPECT_EQ(Export(tasks, Options(TExportFormat::kHtml, true)), ExpectedFile("tasks-notes.htm"));
  EXPECT_EQ(Export(tasks, Options(TExportFormat::kRtf, true)), ExpectedFile("tasks-notes.rtf"));
  EXPECT_EQ(Export(tasks, Options(TExportFormat::kText, true)), ExpectedFile("tasks-notes.txt"));

  // "Copy Notes" off: no note block even for the tasks that have one. A title with the
  // special characters, another colour.
  TExportOptions html = Options(TExportFormat::kHtml, false, kSpecialTitle);
  html.ColorString = TTaskExport::ColorString(kSpecialColor);
  EXPECT_EQ(Export(tasks, html), ExpectedFile("tasks-plain.htm"));
  EXPECT_EQ(Export(tasks, Options(TExportFormat::kRtf, false, kSpecialTitle)), ExpectedFile("tasks-plain.rtf"));
  EXPECT_EQ(Export(tasks, Options(TExportFormat::kText, false, kSpecialTitle)), ExpectedFile("tasks-plain.txt"));
}

TEST_F(ExportTest, TextFileColumns) {
  const QByteArray text = Export(SampleTasks(), Options(TExportFormat::kText, false));
  const QList<QByteArray> lines = text.split('\n');
  ASSERT_GE(lines.size(), 6);
  EXPECT_EQ(lines[3], "Task" + QByteArray(47, ' ') + "Date" + QByteArray(8, ' ') + "Time" + QByteArray(4, ' ') +
                          "Priority" + QByteArray(1, ' ') + "Done\r");
  EXPECT_EQ(lines[4], QByteArray(84, '=') + '\r');
  for (int i = 5; i < 9; ++i) EXPECT_EQ(lines[i].size(), 85) << "84 characters and the CR, trailing blanks kept";
  // The 50-character text fills its column; the date follows without a blank.
  EXPECT_TRUE(lines[7].startsWith("Fifty characters exactly: 12345678901234567890123405 Dec 2024"));
  // Short and empty texts are padded with blanks to their column's width.
  EXPECT_EQ(lines[6], "Undated task" + QByteArray(38 + 12 + 9 + 9, ' ') + "Y   \r");
  // A longer text is cut at 50 (a stored text never is longer, but a column never grows).
  const QByteArray longer = QByteArray(50, 'x') + "cut";
  const QByteArray cut = Export({MakeTask("", "", QString::fromLatin1(longer), "", false, {})},
                                Options(TExportFormat::kText, false));
  EXPECT_TRUE(cut.endsWith("\r\n" + QByteArray(50, 'x') + QByteArray(12 + 9 + 9, ' ') + "N   \r\n")) << cut.toStdString();
}

TEST_F(ExportTest, EveryLineEndsInCrLfAndTheLastOneToo) {
  for (TExportFormat format : {TExportFormat::kHtml, TExportFormat::kRtf, TExportFormat::kText}) {
    const QByteArray bytes = Export(SampleTasks(), Options(format, true));
    ASSERT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    EXPECT_EQ(bytes.count('\r'), bytes.count("\r\n"));
  }
}

TEST_F(ExportTest, TextIsWrittenInTheTablesCodePage) {
  const std::vector<TaskRecord> tasks = {
      MakeTask("", "", QStringLiteral("Caf\u00e9 \u20ac5 \u2013 ok"), "", false, QStringLiteral("Gr\u00fc\u00dfe"))};
  const QByteArray html = Export(tasks, Options(TExportFormat::kHtml, true));
  EXPECT_TRUE(html.contains("<TD WRAP>Caf\xE9 \x80" "5 \x96 ok</TD>"));
  EXPECT_TRUE(html.contains("<BLOCKQUOTE>Gr\xFC\xDF" "e \r\n"));
  const QByteArray rtf = Export(tasks, Options(TExportFormat::kRtf, true));
  EXPECT_TRUE(rtf.contains("\\cf1 Caf\\'e9 \\'805 \\'96 ok\\cell"));
  const QByteArray text = Export(tasks, Options(TExportFormat::kText, true));
  EXPECT_TRUE(text.contains("Caf\xE9 \x80" "5 \x96 ok" + QByteArray(38, ' ')));
}

TEST_F(ExportTest, TextIsWrittenInTheCodePageOfTheTable) {
  // A Cyrillic table keeps its text in 1251, where the six letters of the word below are
  // CF F0 E8 E2 E5 F2 and the euro sign is 88.
  class TCyrillicSource : public TMemorySource {
   public:
    using TMemorySource::TMemorySource;
    int CodePage() const override { return 1251; }
  } source({MakeTask("", "", QStringLiteral("\u041f\u0440\u0438\u0432\u0435\u0442 & \u20ac"), "", false, QString())});
  const QByteArray html = Export(source, Options(TExportFormat::kHtml, false));
  EXPECT_TRUE(html.contains("<TD WRAP>\xCF\xF0\xE8\xE2\xE5\xF2 &amp; \x88</TD>"));
  // The page and the document name their code page, so that readers decode the bytes.
  EXPECT_TRUE(html.contains("<HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">\r\n"));
  const QString rtfPath = dir_.filePath(QStringLiteral("cyrillic.rtf"));
  ASSERT_TRUE(TTaskExport::WriteFile(source, Options(TExportFormat::kRtf, false), rtfPath).ok());
  EXPECT_TRUE(ReadFile(rtfPath).startsWith("{\\rtf1\\ansi\\ansicpg1251\\deff0\\deftab720\r\n"
                                           "{\\fonttbl{\\f0\\fnil\\fcharset204 Times New Roman;}}\r\n"));
  // A character the code page cannot hold is one "?", also outside the basic plane.
  const std::vector<TaskRecord> tasks = {
      MakeTask("", "", QStringLiteral("a\u0416b\U0001F600c"), "", false, QString())};
  EXPECT_TRUE(Export(tasks, Options(TExportFormat::kRtf, false)).contains("\\cf1 a?b?c\\cell"));
}

TEST_F(ExportTest, EscapesOnlyWhatTheFormatReadsAsMarkUp) {
  // A task text as the export writes it.
  auto exported = [this](TExportFormat format, const QString& text) {
    return Export({MakeTask("", "", text, "", false, {})}, Options(format, false));
  };
  EXPECT_TRUE(exported(TExportFormat::kRtf, QStringLiteral("C:\\temp\\new {draft}"))
                  .contains("\\cf1 C:\\\\temp\\\\new \\{draft\\}\\cell\r\n"));
  EXPECT_TRUE(exported(TExportFormat::kRtf, QStringLiteral("<b> & \"q\"")).contains("\\cf1 <b> & \"q\"\\cell\r\n"));
  EXPECT_TRUE(exported(TExportFormat::kRtf, QStringLiteral("Z\u00fcrich \u20ac"))
                  .contains("\\cf1 Z\\'fcrich \\'80\\cell\r\n"));
  EXPECT_TRUE(exported(TExportFormat::kHtml, QStringLiteral("<b>a & b</b>"))
                  .contains("<TD WRAP>&lt;b&gt;a &amp; b&lt;/b&gt;</TD>"));
  EXPECT_TRUE(exported(TExportFormat::kHtml, QStringLiteral("\\ {x} \"q\" 'a'")).contains("<TD WRAP>\\ {x} \"q\" 'a'</TD>"));
  // The text file is left as it is.
  EXPECT_TRUE(exported(TExportFormat::kText, QStringLiteral("<b>{x}\\&")).contains("\r\n<b>{x}\\&  "));
}

TEST_F(ExportTest, LongNotesWrapAtTheFormatsWidth) {
  EXPECT_EQ(measure_.TextNoteWidth(), measure_.Width(QStringLiteral("1234567890123456789012345678901234")));
  EXPECT_EQ(Options(TExportFormat::kHtml, true).NoteWidth, 384);
  EXPECT_EQ(Options(TExportFormat::kRtf, true).NoteWidth, 288);
  EXPECT_EQ(Options(TExportFormat::kText, true).NoteWidth, measure_.TextNoteWidth());

  const std::vector<TaskRecord> tasks = {
      MakeTask("", "", QStringLiteral("t"), "", false, QStringLiteral("aaaa bbbb cccc dddd\r\neeeeeeeeeeee"))};
  TExportOptions options = Options(TExportFormat::kText, true);
  options.Measure = TenPixels;
  options.NoteWidth = 100;
  const QByteArray text = Export(tasks, options);
  EXPECT_TRUE(text.endsWith("\r\n   aaaa bbbb\r\n   cccc dddd\r\n   eeeeeeeeee\r\n   ee\r\n")) << text.toStdString();

  options = Options(TExportFormat::kHtml, true);
  options.Measure = TenPixels;
  options.NoteWidth = 100;
  EXPECT_TRUE(Export(tasks, options).contains("<BLOCKQUOTE>aaaa bbbb \r\n<BR>cccc dddd \r\n<BR>eeeeeeeeee \r\n"
                                              "<BR>ee \r\n</I>"));
}

TEST_F(ExportTest, TheRealMeasureWrapsAParagraphWiderThanTheTextColumn) {
  // 34 digits fit the text export's width exactly; one more character does not.
  const QString digits = QStringLiteral("1234567890123456789012345678901234");
  const std::vector<TaskRecord> tasks = {
      MakeTask("", "", QStringLiteral("t"), "", false, digits + QStringLiteral(" ") + digits)};
  const QByteArray text = Export(tasks, Options(TExportFormat::kText, true));
  EXPECT_TRUE(text.endsWith("\r\n   " + digits.toLatin1() + "\r\n   " + digits.toLatin1() + "\r\n"));
}

TEST_F(ExportTest, TheWalkStopsAtTheListsCountAndLetsEventsRunBetweenRows) {
  std::vector<TaskRecord> tasks;
  for (int i = 0; i < 5; ++i) tasks.push_back(MakeTask("", "", QStringLiteral("task %1").arg(i), "", false, {}));
  TMemorySource source(tasks);
  int betweenRows = 0;
  TExportOptions options = Options(TExportFormat::kHtml, false);
  options.BetweenRows = [&betweenRows] { ++betweenRows; };
  const QByteArray html = Export(source, options);
  EXPECT_EQ(html.count("<TD WRAP>task "), 5);
  EXPECT_EQ(betweenRows, 4) << "between rows, not after the last";
  EXPECT_TRUE(source.AtEnd()) << "the walk leaves the list at its end";

  // A source whose count is smaller than what it walks: the count ends the walk.
  class TCountedSource : public TMemorySource {
   public:
    using TMemorySource::TMemorySource;
    int Count() override { return 2; }
  } counted(tasks);
  EXPECT_EQ(Export(counted, options).count("<TD WRAP>task "), 2);
}

TEST_F(ExportTest, AnEmptyListWritesTheFrameWithoutRows) {
  TMemorySource empty({});
  const QByteArray html = Export(empty, Options(TExportFormat::kHtml, true));
  EXPECT_TRUE(html.endsWith("<TH>Task<TH>Date<TH>Time<TH>Priority<TH>Done?\r\n</TABLE>\r\n</BODY>\r\n</HTML>\r\n"));
  EXPECT_EQ(empty.reads, 0);
  EXPECT_TRUE(Export(empty, Options(TExportFormat::kRtf, true)).endsWith("\\b Done\\cell\\row\r\n}}}\r\n"));
  EXPECT_TRUE(Export(empty, Options(TExportFormat::kText, true)).endsWith(QByteArray(84, '=') + "\r\n"));
}

TEST(ExportColorTest, ColorStringIsRedGreenBlue) {
  EXPECT_EQ(TTaskExport::ColorString(8454143), "FFFF80");
  EXPECT_EQ(TTaskExport::ColorString(0), "000000");
  EXPECT_EQ(TTaskExport::ColorString(0x0000FF), "FF0000");
  EXPECT_EQ(TTaskExport::ColorString(0x123456), "563412");
  EXPECT_EQ(TTaskExport::ColorString(0xFF8000), "0080FF");
  EXPECT_EQ(TTaskExport::ColorString(-1), "FFFFFF") << "bits above the colour are ignored";
}

// A device that takes `limit` bytes and refuses the rest, like a disk that fills up.
class TFillingDevice : public QIODevice {
 public:
  explicit TFillingDevice(qint64 limit) : limit_(limit) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
  QByteArray written;

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 size) override {
    const qint64 room = limit_ - written.size();
    if (room <= 0) {
      setErrorString(QStringLiteral("No space left on device"));
      return -1;
    }
    const qint64 taken = qMin(room, size);
    written.append(data, taken);
    return taken;
  }

 private:
  qint64 limit_;
};

TEST_F(ExportTest, ARefusedWriteStopsTheExportAndKeepsWhatWasWritten) {
  std::vector<TaskRecord> tasks;
  for (int i = 0; i < 3000; ++i) {
    tasks.push_back(MakeTask("20240305", "14:30", QStringLiteral("task number %1").arg(i), "A", false,
                             QStringLiteral("a note for the task")));
  }
  for (TExportFormat format : {TExportFormat::kHtml, TExportFormat::kRtf, TExportFormat::kText}) {
    TFillingDevice device(100000);
    TMemorySource source(tasks);
    const xbase::Status status = TTaskExport::Write(source, Options(format, true), device);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.code(), xbase::Status::Code::kIoError);
    EXPECT_EQ(status.message(), "No space left on device");
    EXPECT_EQ(device.written.size(), 100000) << "what was written stays";
    EXPECT_FALSE(source.AtEnd()) << "the walk stopped at the refused write";
  }
}

TEST_F(ExportTest, AFileThatCannotBeWrittenNamesTheFileAndTheCause) {
  TMemorySource source(SampleTasks());
  // A full disk.
  xbase::Status status = TTaskExport::WriteFile(source, Options(TExportFormat::kHtml, true), "/dev/full");
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.code(), xbase::Status::Code::kIoError);
  EXPECT_EQ(status.message(), "Unable to write to /dev/full: No space left on device");
  // A folder that does not exist.
  const QString missing = dir_.filePath(QStringLiteral("no-such-folder/Todo.rtf"));
  status = TTaskExport::WriteFile(source, Options(TExportFormat::kRtf, true), missing);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(QString::fromStdString(status.message()), "Unable to write to " + missing + ": No such file or directory");
  // And one that works, for comparison.
  const QString path = dir_.filePath(QStringLiteral("Todo.txt"));
  ASSERT_TRUE(TTaskExport::WriteFile(source, Options(TExportFormat::kText, true), path).ok());
  EXPECT_EQ(ReadFile(path), ExpectedFile("tasks-notes.txt"));
}

// ---- read back by programs we did not write

QString RunProgram(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  EXPECT_TRUE(process.waitForFinished(30000)) << program.toStdString();
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  return QString::fromLatin1(process.readAllStandardOutput());
}

TEST_F(ExportTest, UnrtfReadsEveryTaskAndNoteLine) {
  const QString path = dir_.filePath(QStringLiteral("tasks.rtf"));
  {
    TMemorySource source(SampleTasks());
    ASSERT_TRUE(TTaskExport::WriteFile(source, Options(TExportFormat::kRtf, true, kSpecialTitle), path).ok());
  }
  const QString text = RunProgram(QStringLiteral("unrtf"), {QStringLiteral("--text"), path});
  for (const char* expected :
       {"Home & <Work> {2024} C:\\x", "Call the plumber", "05 Mar 2024", "02:30pm", "High", "Ask about the boiler",
        "and the tap", "Undated task", "Fifty characters exactly: 123456789012345678901234", "05 Dec 2024", "Low",
        "C:\\temp\\new {draft} <b> & more", "Use {braces} & <tags> \\ here", "indented line", "Medium"}) {
    EXPECT_TRUE(text.contains(QLatin1String(expected))) << expected << "\n" << text.toStdString();
  }
}

// Python's html.parser turns the page into rows of cells: a <BR> inside a cell starts a
// new line, blanks around lines are dropped, entities are decoded.
constexpr char kHtmlTableReader[] = R"PY(
import json, re, sys
from html.parser import HTMLParser
class Table(HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows, self.cell, self.title = [], None, ''
        self.in_title = False
    def end_cell(self):
        if self.cell is not None:
            text = ''.join(self.cell).replace('\r\n', '')
            self.rows[-1].append('\n'.join(line.strip() for line in text.split('\n')))
            self.cell = None
    def handle_starttag(self, tag, attrs):
        if tag == 'title': self.in_title = True
        elif tag == 'tr': self.end_cell(); self.rows.append([])
        elif tag in ('td', 'th'): self.end_cell(); self.cell = []
        elif tag == 'br' and self.cell is not None: self.cell.append('\n')
    def handle_endtag(self, tag):
        if tag == 'title': self.in_title = False
        elif tag in ('td', 'th', 'tr', 'table'): self.end_cell()
    def handle_data(self, data):
        if self.in_title: self.title += data
        elif self.cell is not None: self.cell.append(data)
reader = Table()
# The bytes are read in the character set the page names, as browsers and word processors
# do; a page that names none is read as UTF-8.
raw = open(sys.argv[1], 'rb').read()
named = re.search(rb'charset=([-\w]+)', raw)
reader.feed(raw.decode(named.group(1).decode() if named else 'utf-8', errors='replace'))
print(json.dumps([reader.title] + reader.rows))
)PY";

TEST_F(ExportTest, HtmlParserReadsBackTheSameTableOfCells) {
  const QString path = dir_.filePath(QStringLiteral("tasks.htm"));
  {
    TMemorySource source(SampleTasks());
    ASSERT_TRUE(TTaskExport::WriteFile(source, Options(TExportFormat::kHtml, true, kSpecialTitle), path).ok());
  }
  const QString json = RunProgram(QStringLiteral(JOTLIST_PYTHON_PATH), {QStringLiteral("-c"), QLatin1String(kHtmlTableReader), path});
  const QJsonArray read = QJsonDocument::fromJson(json.toUtf8()).array();
  const QJsonArray expected = QJsonDocument::fromJson(R"([
    "Home & <Work> {2024} C:\\x",
    ["Task", "Date", "Time", "Priority", "Done?"],
    ["Call the plumber", "05 Mar 2024", "02:30pm", "High", "N"],
    ["Ask about the boiler\nand the tap", "", "", ""],
    ["Undated task", "", "", "", "Y"],
    ["Fifty characters exactly: 123456789012345678901234", "05 Dec 2024", "09:05am", "Low", "N"],
    ["\n", "", "", ""],
    ["C:\\temp\\new {draft} <b> & more", "01 Jan 2024", "", "Medium", "N"],
    ["Use {braces} & <tags> \\ here\nindented line", "", "", ""]
  ])").array();
  EXPECT_EQ(read, expected) << json.toStdString();
}

// unrtf's HTML rendering of a document with its tags dropped and its entities decoded.
constexpr char kUnrtfTextReader[] = R"PY(
import html, json, re, subprocess, sys
out = subprocess.run(['unrtf', '--html', sys.argv[1]], capture_output=True, check=True).stdout
print(json.dumps(html.unescape(re.sub(r'<[^>]*>', '', out.decode('utf-8', errors='replace')))))
)PY";

TEST_F(ExportTest, EveryPrintableWesternCharacterReadsBackWholeWhereTheFileSaysHowToReadIt) {
  // Every printable character of Windows-1252, in task texts fenced by "|" so that no
  // reader's trimming of blanks around a cell touches them.
  QString all;
  for (int byte = 0x20; byte <= 0xFF; ++byte) {
    const QChar c(xbase::Cp1252ToUnicode(static_cast<uint8_t>(byte)));
    if (c.isPrint() && static_cast<uint8_t>(xbase::UnicodeToCp1252(c.unicode())) == byte) all += c;
  }
  ASSERT_EQ(all.size(), 95 + 27 + 95);
  std::vector<TaskRecord> tasks;
  QStringList texts;
  for (qsizetype at = 0; at < all.size(); at += 40) {
    texts << QLatin1Char('|') + all.mid(at, 40) + QLatin1Char('|');
    tasks.push_back(MakeTask("", "", texts.back(), "", false, QString()));
  }

  const QString htmlPath = dir_.filePath(QStringLiteral("western.htm"));
  const QString rtfPath = dir_.filePath(QStringLiteral("western.rtf"));
  {
    TMemorySource html(tasks);
    ASSERT_TRUE(TTaskExport::WriteFile(html, Options(TExportFormat::kHtml, false), htmlPath).ok());
    TMemorySource rtf(tasks);
    ASSERT_TRUE(TTaskExport::WriteFile(rtf, Options(TExportFormat::kRtf, false), rtfPath).ok());
  }
  const QJsonArray rows = QJsonDocument::fromJson(
      RunProgram(QStringLiteral(JOTLIST_PYTHON_PATH), {QStringLiteral("-c"), QLatin1String(kHtmlTableReader), htmlPath})
          .toUtf8()).array();
  ASSERT_EQ(rows.size(), 2 + texts.size());
  for (qsizetype i = 0; i < texts.size(); ++i)
    EXPECT_EQ(rows[2 + i].toArray().first().toString().toStdString(), texts[i].toStdString()) << "HTML row " << i;

  const QString read = QJsonDocument::fromJson(
      ("[" + RunProgram(QStringLiteral(JOTLIST_PYTHON_PATH), {QStringLiteral("-c"), QLatin1String(kUnrtfTextReader), rtfPath}) + "]")
          .toUtf8()).array().first().toString();
  for (const QString& text : texts) EXPECT_TRUE(read.contains(text)) << text.toStdString() << "\n" << read.toStdString();
  // RTF is read as seven-bit text: every byte above 127 is an escape of its code.
  EXPECT_FALSE(ReadFile(rtfPath).contains('\xFC'));
  EXPECT_TRUE(ReadFile(rtfPath).contains("\\'fc"));
}

}  // namespace
